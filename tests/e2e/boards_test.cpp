// Playing the boards through the real launcher with real key input: a card
// board fills, flies, pauses and resumes with its sound really playing and
// stopping when the board goes; the music board's chart and pictures and the
// notes it sends; a car badge in the middle that the next key replaces.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/object_motion.h"
#include "tests/e2e/game_session.h"

using namespace e2e;

namespace {

const wchar_t kInsects[] = L"\u6606\u866B";  // 昆虫
const wchar_t kVehicles[] = L"\u8F66";       // 车
const wchar_t kBirds[] = L"\u9E1F\u7C7B";    // 鸟类

// The file that the sound device of this test's ALSA set-up writes samples to.
class SoundCapture {
 public:
  SoundCapture() {
    wchar_t path[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"BIMBLY_SOUND_CAPTURE", path, MAX_PATH)) path_ = path;
  }
  // Wine's file device writes as fast as it can: nothing is left behind.
  ~SoundCapture() { Reset(); }
  bool available() const { return !path_.empty(); }
  void Reset() const {
    if (available()) ::DeleteFileW(path_.c_str());
  }
  ULONGLONG Bytes() const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  // Whether samples keep arriving over the next `ms`.
  bool Growing(DWORD ms) const {
    const ULONGLONG start = Bytes();
    return WaitUntil([&] { return Bytes() > start; }, ms);
  }

 private:
  std::wstring path_;
};

std::vector<RECT> OwnedBy(const GameSession& g, HWND owner) {
  std::vector<RECT> rects;
  for (HWND h : TopLevelWindows(g.launcher.process.id()))
    if (::GetWindow(h, GW_OWNER) == owner) rects.push_back(WindowRectOf(h));
  return rects;
}

bool Same(std::vector<RECT> a, std::vector<RECT> b) {
  auto less = [](const RECT& x, const RECT& y) { return x.left != y.left ? x.left < y.left : x.top < y.top; };
  std::sort(a.begin(), a.end(), less);
  std::sort(b.begin(), b.end(), less);
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const RECT& x, const RECT& y) {
           return ::EqualRect(&x, &y) != 0;
         });
}

// Waits until the board's pictures stand elsewhere than `before`.
bool MovesFrom(const GameSession& g, HWND board, const std::vector<RECT>& before) {
  return WaitUntil([&] { return !Same(before, OwnedBy(g, board)); }, 5000);
}

// Waits until the board's pictures keep their places over ten motion steps.
bool HoldsStill(const GameSession& g, HWND board) {
  auto last = OwnedBy(g, board);
  for (int i = 0; i < 10; ++i) {
    ::Sleep(10 * bimbly::motion::kMoveIntervalMs);
    auto now = OwnedBy(g, board);
    if (Same(last, now)) return true;
    last = std::move(now);
  }
  return false;
}

// A window of this process that receives the music board's MIDI messages.
class MidiTap {
 public:
  MidiTap() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BimblyMidiTap";
    ::RegisterClassW(&wc);
    hwnd_ = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, HWND_MESSAGE, nullptr, wc.hInstance,
                              nullptr);
    wchar_t text[32];
    swprintf(text, 32, L"%llX", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(hwnd_)));
    ::SetEnvironmentVariableW(L"BIMBLY_MIDI_TAP", text);
  }
  ~MidiTap() {
    ::SetEnvironmentVariableW(L"BIMBLY_MIDI_TAP", nullptr);
    ::DestroyWindow(hwnd_);
  }
  // Note-on and note-off messages that arrived since the last call.
  std::vector<std::uint32_t> TakeNotes() {
    std::vector<std::uint32_t> notes;
    MSG msg;
    while (::PeekMessageW(&msg, hwnd_, 0, 0, PM_REMOVE)) {
      const auto m = static_cast<std::uint32_t>(msg.wParam);
      if (msg.message == WM_APP + 0x3C0 && msg.lParam == 0 && (m & 0xE0) == 0x80) notes.push_back(m);
    }
    return notes;
  }

 private:
  HWND hwnd_;
};

}  // namespace

TEST(PlayingBoards, CardsThenMusicThenCarBadgesInTurn) {
  const int W = ::GetSystemMetrics(SM_CXSCREEN);
  const int H = ::GetSystemMetrics(SM_CYSCREEN);
  SoundCapture sound;
  sound.Reset();
  MidiTap midi;  // before the launcher starts, so that it inherits the tap
  ProgramFolder folder;
  // No hint banner: it would be one more moving picture over the board.
  ::WritePrivateProfileStringW(L"Operation", L"Remind", L"n", folder.File(L"config.ini").c_str());
  GameSession g(folder);
  ASSERT_TRUE(g.launcher.ok());

  // Bees: one per key up to ten, flying, with their buzz really playing.
  ASSERT_TRUE(g.StartItem(kInsects, 0));
  Focus(g.game);
  HWND board = g.Board();
  for (int i = 0; i < 10; ++i) PressKey('A' + static_cast<WORD>(i));
  ASSERT_TRUE(WaitUntil([&] { return OwnedBy(g, board).size() == 10; }, 10000));
  if (sound.available()) {
    EXPECT_TRUE(sound.Growing(3000)) << "the bees' sound reaches the device";
  }
  EXPECT_TRUE(MovesFrom(g, board, OwnedBy(g, board))) << "the bees fly";
  PressKey('K');  // eleventh: pause
  ASSERT_TRUE(WaitUntil([&] { return g.BoardKeyDowns() == 11; }, 3000));
  EXPECT_TRUE(HoldsStill(g, board)) << "paused";
  // The background's second window, which repaints what the bees uncover,
  // lies under them: a bee standing still is what the mouse finds there
  // (under Wine the system's order follows the screen's where the pointer is).
  {
    POINT inside{-1, -1};
    HWND bee = nullptr;
    for (HWND h : TopLevelWindows(g.launcher.process.id())) {
      const RECT r = WindowRectOf(h);
      const POINT c{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
      if (::GetWindow(h, GW_OWNER) == board && c.x > 0 && c.x < W &&
          c.y > 0 && c.y < H) {
        bee = h;
        inside = c;
      }
    }
    ASSERT_NE(bee, nullptr);
    EXPECT_TRUE(WaitUntil(
        [&] {
          ::SetCursorPos(inside.x + 1, inside.y);
          ::SetCursorPos(inside.x, inside.y);
          const HWND at = ::WindowFromPoint(inside);
          return ::GetWindow(at, GW_OWNER) == board;
        },
        1000))
        << "a bee over the background";
  }
  const auto before = OwnedBy(g, board);
  PressKey('L');  // twelfth: resume, the buzz loops again
  ASSERT_TRUE(WaitUntil([&] { return g.BoardKeyDowns() == 12; }, 3000));
  EXPECT_TRUE(MovesFrom(g, board, before)) << "resumed";
  // Leaving the board while the buzz loops silences it.
  PressKey(VK_NEXT, true);
  HWND next = g.WaitForNewBoard(board, 10000);
  ASSERT_NE(next, nullptr);
  const int nextIndex = BoardItemIndex(next);
  EXPECT_EQ(OwnedBy(g, board).size(), 0u);
  if (sound.available()) {
    ::Sleep(500);  // what the device still had buffered
    EXPECT_FALSE(sound.Growing(1000)) << "the looped sound stopped with its board";
  }
  // A right click anywhere on the background opens the board's menu; its
  // middle entry goes on to the next item.
  ASSERT_TRUE(WaitUntil([&] { return IsBoardBackdrop(::WindowFromPoint(POINT{W / 3, H / 3})); },
                        3000));
  HWND menu = nullptr;
  const auto openMenu = [&] {
    ClickAt(W / 3, H / 3, false, /*right=*/true);
    return WaitUntil([&] { return (menu = VisibleMenu()) != nullptr; }, 3000);
  };
  // The menu holds the mouse although the game's window, on another thread,
  // has the foreground (as once pictures came and went): a click beside it,
  // on the background, closes it and switches nothing.
  Focus(g.game);
  ASSERT_TRUE(openMenu());
  const POINT beside{W / 3 - 40, H / 3 - 40};
  ASSERT_TRUE(IsBoardBackdrop(::WindowFromPoint(beside)));
  ClickAt(beside.x, beside.y);
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(menu) || !::IsWindowVisible(menu); }, 2000))
      << "a click beside the board's menu closes it";
  EXPECT_EQ(g.Board(), next);
  // Keys reach the game's window first again: there a backlog is dropped.
  EXPECT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == g.game; }, 1000));
  // Made the active window (as when a picture that a child dragged goes),
  // the board hands the keyboard back to the game's window.
  ::SetForegroundWindow(next);
  EXPECT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == g.game; }, 1000))
      << "the board keeps the foreground";
  ASSERT_TRUE(openMenu());
  // A click that came before the menu was ready to take it is made again.
  for (int attempt = 0; attempt < 3 && ::IsWindow(menu) && ::IsWindowVisible(menu); ++attempt) {
    const RECT items = WindowRectOf(menu);
    ClickAt((items.left + items.right) / 2, (items.top + items.bottom) / 2);
    WaitUntil([&] { return !::IsWindow(menu) || !::IsWindowVisible(menu); }, 1000);
  }
  HWND third = g.WaitForNewBoard(next, 10000);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(BoardItemIndex(third), nextIndex + 1);
  ASSERT_TRUE(g.LeaveWithExitWord());

  // The piano: itself in the middle, the chart at half size bottom left, the pianist bottom
  // right, and notes from the keys.
  ASSERT_TRUE(g.StartMusicItem(0));
  Focus(g.game);
  board = g.Board();
  ASSERT_TRUE(WaitUntil([&] { return OwnedBy(g, board).size() == 3; }, 10000));
  const RECT chart{134, H - 150, 134 + 268, H - 50};
  int charts = 0, corner = 0;
  for (const RECT& r : OwnedBy(g, board)) {
    charts += ::EqualRect(&r, &chart) ? 1 : 0;
    corner += (r.right == W && r.bottom == H) ? 1 : 0;
  }
  EXPECT_EQ(charts, 1);
  EXPECT_EQ(corner, 1);
  midi.TakeNotes();
  KeyDown('Q');
  KeyDown('W');
  KeyUp('Q');
  KeyUp('W');
  std::vector<std::uint32_t> notes;
  WaitUntil(
      [&] {
        for (std::uint32_t m : midi.TakeNotes()) notes.push_back(m);
        return notes.size() >= 4;
      },
      3000);
  const auto has = [&](std::uint32_t m) { return std::count(notes.begin(), notes.end(), m) == 1; };
  EXPECT_TRUE(has(0x7F3C90) && has(0x7F3E90) && has(0x3C80) && has(0x3E80)) << ::testing::PrintToString(notes);
  ASSERT_TRUE(g.LeaveWithExitWord());

  // Car badges: one picture in the middle; the next key replaces it.
  ASSERT_TRUE(g.StartItem(kVehicles, 4));
  Focus(g.game);
  board = g.Board();
  PressKey('A');
  ASSERT_TRUE(WaitUntil([&] { return OwnedBy(g, board).size() == 1; }, 5000));
  const RECT first = OwnedBy(g, board)[0];
  EXPECT_NEAR((first.left + first.right) / 2, W / 2, 1);
  EXPECT_NEAR((first.top + first.bottom) / 2, H / 2, 1);
  HWND firstBadge = nullptr;
  for (HWND h : TopLevelWindows(g.launcher.process.id()))
    if (::GetWindow(h, GW_OWNER) == board) firstBadge = h;
  PressKey('B');
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(firstBadge) && OwnedBy(g, board).size() == 1; }, 5000));
  EXPECT_TRUE(g.LeaveWithExitWord());
}

TEST(PlayingBoards, QueuedKeysOnAPulseBoardHoldUpNoMenuAndEndInSilenceAtTheTimeUp) {
  SoundCapture sound;
  sound.Reset();
  ProgramFolder folder;
  ::WritePrivateProfileStringW(L"Operation", L"Remind", L"n", folder.File(L"config.ini").c_str());
  GameSession g(folder);
  ASSERT_TRUE(g.launcher.ok());
  // The parrot: every key plays its call from the module and holds the
  // board's thread for 400 ms, so a mashing child's keys pile up.
  ASSERT_TRUE(g.StartItem(kBirds, 9));
  Focus(g.game);
  PressKey('A');
  ASSERT_TRUE(WaitUntil([&] { return g.BoardKeyDowns() == 1; }, 10000));
  // An adult's right click while keys wait: its menu comes after the key
  // being served, while the others still wait (behind them all, it would
  // come only once the last were dropped as too old).
  const int W = ::GetSystemMetrics(SM_CXSCREEN), H = ::GetSystemMetrics(SM_CYSCREEN);
  ASSERT_TRUE(WaitUntil([&] { return IsBoardBackdrop(::WindowFromPoint(POINT{W / 4, H / 4})); }, 3000));
  // The board's thread answers once the first call is over.
  HWND board = g.Board();
  const auto dropped = [&] { return reinterpret_cast<LONG_PTR>(::GetPropW(board, L"Bimbly.KeysDropped")); };
  DWORD_PTR unused = 0;
  ASSERT_NE(::SendMessageTimeoutW(board, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &unused), 0);
  for (int i = 0; i < 8; ++i) PressKey('B' + static_cast<WORD>(i));
  ClickAt(W / 4, H / 4, false, /*right=*/true);
  HWND menu = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (menu = VisibleMenu()) != nullptr; }, 5000));
  EXPECT_LT(g.BoardKeyDowns() + dropped(), 9) << "the menu waited for the keys queued before it";
  ClickAt(W / 4 - 40, H / 4 - 40);  // beside it: closed, nothing chosen
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(menu) || !::IsWindowVisible(menu); }, 5000));
  Focus(g.game);
  // Every key that waited was served or dropped as too old.
  ASSERT_TRUE(WaitUntil([&] { return g.BoardKeyDowns() + dropped() == 9; }, 10000));
  const long before = g.BoardKeyDowns();
  for (int i = 0; i < 20; ++i) PressKey('B' + static_cast<WORD>(i));
  ASSERT_TRUE(WaitUntil([&] { return g.BoardKeyDowns() >= before + 2; }, 10000));
  ASSERT_LT(g.BoardKeyDowns(), before + 14) << "keys still wait for the board";
  ::PostMessageW(g.game, WM_TIMER, 1, 0);  // the time is up
  EXPECT_TRUE(WaitUntil([&] { return !ProcessHasModule(g.launcher.process.id(), L"DeckBird.dll"); }, 15000));
  if (sound.available()) {
    ::Sleep(500);  // what the device still had buffered
    EXPECT_FALSE(sound.Growing(1500)) << "nothing of the freed module plays";
  }
  EXPECT_EQ(::WaitForSingleObject(g.launcher.process.handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_TRUE(::IsWindow(g.game));
  EXPECT_TRUE(g.LeaveWithExitWord());
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(g.launcher.frame) != FALSE; }, 5000));
}
