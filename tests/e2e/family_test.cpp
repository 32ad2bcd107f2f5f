// The family's own cards as a parent makes them: added through the dialog
// from a photo and a WAV, played as a board, deleted again; and every kind of
// bad input refused in the dialog with a message, writing nothing.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "core/family_store.h"
#include "launcher/resource.h"
#include "tests/e2e/game_session.h"

using namespace e2e;

namespace {

const wchar_t kFamilyCategory[] = L"\u6211\u7684\u5BB6";  // 我的家
const std::wstring kData = BIMBLY_FAMILY_TEST_DATA;

// The family folder lives under APPDATA, which the launcher inherits.
class FamilyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t old[MAX_PATH] = {};
    hadAppData_ = ::GetEnvironmentVariableW(L"APPDATA", old, MAX_PATH) > 0;
    oldAppData_ = old;
    ::SetEnvironmentVariableW(L"APPDATA", appData.path().c_str());
    // Folder names repeat with process ids: what a killed run left goes first.
    std::wstring left = appData.File(L"Bimbly");
    left.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = left.c_str();
    op.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&op);
  }
  void TearDown() override {
    ::SetEnvironmentVariableW(L"APPDATA", hadAppData_ ? oldAppData_.c_str() : nullptr);
  }
  std::wstring FamilyFile(const std::wstring& name) const { return appData.path() + L"\\Bimbly\\family\\" + name; }
  static bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
  bimbly::family::Book StoredBook() const {
    HANDLE f = ::CreateFileW(FamilyFile(L"family.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string text(1 << 16, '\0');
    DWORD read = 0;
    ::ReadFile(f, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    ::CloseHandle(f);
    text.resize(read);
    return bimbly::family::ParseIni(text);
  }
  void WriteWav(const std::wstring& name, std::uint32_t ms, std::uint16_t tag = 1) const {
    std::vector<std::uint8_t> samples(22050 * 2 * ms / 1000);
    for (std::size_t i = 0; i + 1 < samples.size(); i += 2) samples[i + 1] = (i / 100) % 2 ? 0x20 : 0xE0;
    std::vector<std::uint8_t> wav = bimbly::family::MakeWav(1, 22050, 16, samples.data(), samples.size());
    wav[20] = static_cast<std::uint8_t>(tag);
    files.Write(name, std::string(wav.begin(), wav.end()));
  }

  TestFolder appData{L"bimbly-appdata-"};
  TestFolder files{L"bimbly-family-files-"};

 private:
  bool hadAppData_ = false;
  std::wstring oldAppData_;
};

HWND WaitForOwnedDialog(DWORD pid, HWND owner, DWORD timeoutMs) {
  HWND dlg = nullptr;
  WaitUntil(
      [&] {
        for (HWND h : TopLevelWindows(pid))
          if (ClassName(h) == L"#32770" && ::GetWindow(h, GW_OWNER) == owner) dlg = h;
        return dlg != nullptr;
      },
      timeoutMs);
  return dlg;
}

// Right-clicks the list at `at`, picks a menu entry by its underlined letter
// (A add, E edit, D delete) and returns the dialog or question that opens. A
// key that reaches the menu before it listens is lost: then once more.
HWND PickFromListMenu(LauncherSession& tobble, POINT at, WORD letter) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    WaitUntil([&] { return ::IsWindowEnabled(tobble.frame) != FALSE; }, 5000);
    Focus(tobble.frame);
    ClickAt(at.x, at.y, false, /*right=*/true);
    WaitUntil([&] {
      for (HWND h : TopLevelWindows(tobble.process.id()))
        if (ClassName(h) == L"#32768") return true;
      return false;
    }, 5000);
    PressKey(letter);
    if (HWND opened = WaitForOwnedDialog(tobble.process.id(), tobble.frame, 3000)) return opened;
    PressKey(VK_ESCAPE);
  }
  return nullptr;
}

POINT ListCorner(HWND list) {
  const RECT rc = ClientRectOnScreen(list);
  return {rc.right - 20, rc.bottom - 20};  // a free corner of the list
}

HWND OpenAddDialog(LauncherSession& tobble) { return PickFromListMenu(tobble, ListCorner(tobble.list), 'A'); }

void SetText(HWND dlg, int id, const std::wstring& text) {
  ::SendMessageW(::GetDlgItem(dlg, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring Message(HWND dlg) { return WindowText(::GetDlgItem(dlg, IDC_FAM_MESSAGE)); }

}  // namespace

TEST_F(FamilyTest, CardAddedThroughTheDialogPlaysAndIsDeleted) {
  WriteWav(L"voice.wav", 1000);
  ProgramFolder folder;
  GameSession g(folder);
  ASSERT_TRUE(g.launcher.ok());
  std::vector<std::wstring> tree = TreeItemTexts(g.launcher.tree);
  ASSERT_FALSE(tree.empty());
  EXPECT_NE(tree.back(), kFamilyCategory);  // nothing added, nothing shown

  HWND dlg = OpenAddDialog(g.launcher);
  ASSERT_NE(dlg, nullptr);
  SetText(dlg, IDC_FAM_NAME, L"\u5976\u5976");  // 奶奶
  SetText(dlg, IDC_FAM_SECOND, L"Grandma");
  SetText(dlg, IDC_FAM_PICTURE, kData + L"\\large.jpg");  // 2560 x 2048
  SetText(dlg, IDC_FAM_SOUND_PATH, files.File(L"voice.wav"));
  ::SendMessageW(::GetDlgItem(dlg, IDC_FAM_COPIES), CB_SETCURSEL, 1, 0);  // two copies
  EXPECT_TRUE(WaitUntil([&] { return ::SendMessageW(::GetDlgItem(dlg, IDC_FAM_PREVIEW), STM_GETIMAGE, IMAGE_BITMAP, 0) != 0; }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(dlg, IDC_FAM_PLAY)) != FALSE; }, 5000));
  PauseForLooking();
  ::PostMessageW(::GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dlg); }, 5000)) << WindowText(::GetDlgItem(dlg, IDC_FAM_MESSAGE));

  // Stored by the program: its own file names, the picture scaled to 1024.
  const bimbly::family::Book book = StoredBook();
  ASSERT_EQ(book.items.size(), 1u);
  const bimbly::family::Item& card = book.items[0];
  EXPECT_EQ(card.name, "\xE5\xA5\xB6\xE5\xA5\xB6");
  EXPECT_EQ(card.secondName, "Grandma");
  EXPECT_EQ(card.copies, 2);
  EXPECT_EQ(card.picture, "item1.jpg");
  EXPECT_EQ(card.sound, "item1.wav");
  {
    HANDLE f = ::CreateFileW(FamilyFile(L"item1.jpg").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    std::vector<std::uint8_t> head(64 * 1024);
    DWORD read = 0;
    ::ReadFile(f, head.data(), static_cast<DWORD>(head.size()), &read, nullptr);
    ::CloseHandle(f);
    const bimbly::family::Size size = bimbly::family::HeaderSize(head.data(), read);
    EXPECT_EQ(size.width, 1024);
    EXPECT_EQ(size.height, 819);
  }

  // The category shows last, with the card in it.
  ASSERT_TRUE(WaitUntil([&] { tree = TreeItemTexts(g.launcher.tree); return !tree.empty() && tree.back() == kFamilyCategory; }, 5000));
  // A second card whose picture has gone meanwhile: listed with a placeholder.
  {
    bimbly::family::Book two = book;
    bimbly::family::Item lost = card;
    lost.id = two.TakeId();
    lost.name = "Lost";
    lost.picture = bimbly::family::PictureFileName(lost.id, bimbly::family::PictureType::kPng);
    lost.sound.clear();
    two.items.push_back(lost);
    const std::string text = bimbly::family::FormatIni(two);
    HANDLE f = ::CreateFileW(FamilyFile(L"family.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(f);
  }
  ASSERT_TRUE(g.launcher.SelectCategory(kFamilyCategory));
  EXPECT_EQ(ListItemTexts(g.launcher.list), (std::vector<std::wstring>{L"\u5976\u5976", L"Lost"}));
  PauseForLooking();

  // The card plays; Page Down walks to the family's next card and back.
  ASSERT_TRUE(g.StartItem(kFamilyCategory, 0));
  {
    const HWND first = g.Board();
    EXPECT_EQ(BoardItemIndex(first), 1);  // the card's id
    Focus(g.game);
    PressKey(VK_NEXT, true);
    const HWND second = g.WaitForNewBoard(first, 20000);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(BoardItemIndex(second), 2);
    EXPECT_TRUE(ProcessHasModule(g.launcher.process.id(), L"DeckFamily.dll"));
    Focus(g.game);
    PressKey(VK_NEXT, true);  // wraps among the family's cards, not into the catalog
    const HWND third = g.WaitForNewBoard(second, 20000);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(BoardItemIndex(third), 1);
  }
  EXPECT_TRUE(ProcessHasModule(g.launcher.process.id(), L"DeckFamily.dll"));
  const std::size_t before = TopLevelWindows(g.launcher.process.id()).size();
  Focus(g.game);
  PressKey('A');
  PressKey('B');
  PressKey('C');  // both copies are out: this one speeds them up
  // Two copies, each sized for the screen rather than at the photo's size.
  const int want = bimbly::family::CopyHeight(::GetSystemMetrics(SM_CYSCREEN), 2);
  auto copies = [&] {
    int n = 0;
    for (HWND h : TopLevelWindows(g.launcher.process.id())) {
      const RECT r = WindowRectOf(h);
      if (::GetWindow(h, GW_OWNER) == g.Board() && r.bottom - r.top == want) ++n;
    }
    return n;
  };
  EXPECT_TRUE(WaitUntil([&] { return copies() == 2; }, 5000)) << copies();
  EXPECT_GE(TopLevelWindows(g.launcher.process.id()).size(), before + 2);
  PauseForLooking();
  // A card board with copies out takes some seconds to go under Wine (the
  // catalog's decks alike), longer than the exit word's own wait.
  ASSERT_TRUE(g.LeaveWithExitWord() || g.WaitForGameEnd(30000));

  // Deleted after a question: files and category go.
  ASSERT_TRUE(g.launcher.SelectCategory(kFamilyCategory));
  ASSERT_TRUE(SelectListItem(g.launcher.list, 0));
  HWND box = PickFromListMenu(g.launcher, ListItemCentreOnScreen(g.launcher.list, 0), 'D');
  ASSERT_NE(box, nullptr);
  ::PostMessageW(::GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return ListItemTexts(g.launcher.list) == std::vector<std::wstring>{L"Lost"}; }, 5000));
  EXPECT_EQ(StoredBook().items.size(), 1u);
  // The last one goes too, and with it the category.
  ASSERT_TRUE(SelectListItem(g.launcher.list, 0));
  box = PickFromListMenu(g.launcher, ListItemCentreOnScreen(g.launcher.list, 0), 'D');
  ASSERT_NE(box, nullptr);
  ::PostMessageW(::GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { tree = TreeItemTexts(g.launcher.tree); return !tree.empty() && tree.back() != kFamilyCategory; }, 5000));
  EXPECT_TRUE(StoredBook().items.empty());
  EXPECT_FALSE(Exists(FamilyFile(L"item1.jpg")));
  EXPECT_FALSE(Exists(FamilyFile(L"item1.wav")));
}

TEST_F(FamilyTest, BadInputIsRefusedInTheDialogAndNothingIsWritten) {
  files.Write(L"notes.jpg", "These are the shopping notes, not a picture.\r\n");
  WriteWav(L"empty.wav", 0);
  WriteWav(L"adpcm.wav", 500, 2);
  WriteWav(L"long.wav", 11000);
  {
    // Over 64 MB, without writing 64 MB.
    HANDLE f = ::CreateFileW(files.File(L"big.png").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size{};
    size.QuadPart = 65ll * 1024 * 1024;
    ::SetFilePointerEx(f, size, nullptr, FILE_BEGIN);
    ::SetEndOfFile(f);
    ::CloseHandle(f);
  }
  files.Write(L"locked.png", "\x89PNG");
  // Held open with no sharing: the launcher's account cannot read it meanwhile.
  HANDLE locked = ::CreateFileW(files.File(L"locked.png").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);

  const std::wstring good = kData + L"\\solid.jpg";
  struct Case {
    const wchar_t* what;
    std::wstring name, picture, sound;
    const wchar_t* message;  // part of the message shown
  };
  const Case cases[] = {
      {L"empty name", L"", good, L"", L"\u8BF7\u8F93\u5165\u540D\u5B57"},  // 请输入名字
      {L"name too long", L"0123456789abcdefg", good, L"", L"16"},
      {L"not a picture", L"Mum", files.File(L"notes.jpg"), L"", L"\u4E0D\u662F\u56FE\u7247"},  // 不是图片
      {L"cut-off JPEG", L"Mum", kData + L"\\truncated.jpg", L"", L"\u635F\u574F"},  // 损坏
      {L"cut-off PNG", L"Mum", kData + L"\\truncated.png", L"", L"\u635F\u574F"},
      {L"900 megapixels", L"Mum", kData + L"\\huge.png", L"", L"5000"},
      {L"over 64 MB", L"Mum", files.File(L"big.png"), L"", L"64 MB"},
      {L"unreadable", L"Mum", files.File(L"locked.png"), L"", L"\u65E0\u6CD5\u8BFB\u53D6"},  // 无法读取
      {L"missing", L"Mum", files.File(L"gone.png"), L"", L"\u65E0\u6CD5\u8BFB\u53D6"},
      {L"empty WAV", L"Mum", good, files.File(L"empty.wav"), L"\u6CA1\u6709\u58F0\u97F3"},  // 没有声音
      {L"non-PCM WAV", L"Mum", good, files.File(L"adpcm.wav"), L"PCM"},
      {L"not a WAV", L"Mum", good, files.File(L"notes.jpg"), L"WAV"},
      {L"over 10 s, not cut", L"Mum", good, files.File(L"long.wav"), L"10 \u79D2"},  // 10 秒
  };

  ProgramFolder folder;
  LauncherSession tobble(folder);
  ASSERT_TRUE(tobble.ok());
  HWND dlg = OpenAddDialog(tobble);
  ASSERT_NE(dlg, nullptr);
  for (const Case& c : cases) {
    SetText(dlg, IDC_FAM_MESSAGE, L"");
    SetText(dlg, IDC_FAM_NAME, c.name);
    SetText(dlg, IDC_FAM_PICTURE, c.picture);
    SetText(dlg, IDC_FAM_SOUND_PATH, c.sound);
    if (c.sound.empty()) ::PostMessageW(::GetDlgItem(dlg, IDC_FAM_SOUND_NONE), BM_CLICK, 0, 0);
    ::PostMessageW(::GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    // A sound over 10 s is offered to be cut first: declined here.
    if (std::wstring(c.what).find(L"10 s") != std::wstring::npos) {
      HWND ask = WaitForOwnedDialog(tobble.process.id(), dlg, 5000);
      ASSERT_NE(ask, nullptr) << c.what;
      ::PostMessageW(::GetDlgItem(ask, IDNO), BM_CLICK, 0, 0);
    }
    EXPECT_TRUE(WaitUntil([&] { return Message(dlg).find(c.message) != std::wstring::npos; }, 5000))
        << c.what << ": " << std::string(Message(dlg).begin(), Message(dlg).end());
    EXPECT_TRUE(::IsWindow(dlg)) << c.what;
    EXPECT_FALSE(Exists(FamilyFile(L"family.ini"))) << c.what;
  }
  ::CloseHandle(locked);
  ::PostMessageW(::GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(dlg); }, 5000));
  EXPECT_FALSE(Exists(FamilyFile(L"family.ini")));
  EXPECT_EQ(TreeItemTexts(tobble.tree).back(), std::wstring(L"\u97F3\u4E50"));  // 音乐 stays last
}
