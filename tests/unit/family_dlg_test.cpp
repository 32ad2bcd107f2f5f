// The family dialog's recording against a stand-in for the microphone: the
// level bar moves, a second press stops, the card keeps the recording as a
// PCM WAV; without a microphone the record button is off and says why; the
// dialog has the look of the suite's others.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <thread>

#include "core/family_store.h"
#include "framework/gdiplus_session.h"
#include "framework/text.h"
#include "launcher/family_dlg.h"
#include "launcher/resource.h"
#include "tests/support/test_folder.h"
#include "toolkit/family_files.h"

namespace {

const wchar_t kPicture[] = BIMBLY_FAMILY_TEST_DATA L"\\solid.jpg";

// Hands over a loud tone, a tenth of a second per poll, for as long as it records.
class ToneCapture : public launcher::SoundCapture {
 public:
  explicit ToneCapture(bool present) : present_(present) {}
  bool Available() override { return present_; }
  bool Start() override { return started_ = present_; }
  void Collect(std::vector<std::uint8_t>& samples) override {
    if (!started_) return;
    for (std::uint32_t i = 0; i < kSampleRate / 10; ++i) {
      const auto v = static_cast<std::int16_t>(20000 * std::sin(i * 0.1));
      samples.push_back(static_cast<std::uint8_t>(v));
      samples.push_back(static_cast<std::uint8_t>(v >> 8));
    }
  }
  void Stop() override { started_ = false; }

 private:
  bool present_;
  bool started_ = false;
};

bool Poll(const std::function<bool()>& condition, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
    if (condition()) return true;
    ::Sleep(20);
  }
  return condition();
}

HWND found_ = nullptr;

// Runs the dialog on this thread while `script` works it from another.
INT_PTR RunDialog(CFamilyDlg& dialog, const std::function<void(HWND)>& script) {
  found_ = nullptr;
  std::atomic<HWND> dlg{nullptr};
  const DWORD dialogThread = ::GetCurrentThreadId();
  std::thread driver([&] {
    // The family dialog among this thread's windows, once it shows.
    Poll([&] {
      ::EnumThreadWindows(
          dialogThread,
          [](HWND h, LPARAM found) -> BOOL {
            if (!::IsWindowVisible(h) || !::GetDlgItem(h, IDC_FAM_RECORD)) return TRUE;
            *reinterpret_cast<HWND*>(found) = h;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&found_));
      dlg = found_;
      return dlg.load() != nullptr;
    }, 10000);
    if (dlg.load()) script(dlg.load());
    // Whatever the script left, the dialog ends.
    if (dlg.load() && ::IsWindow(dlg.load())) ::PostMessageW(dlg.load(), WM_COMMAND, IDCANCEL, 0);
  });
  const INT_PTR result = dialog.DoModal(nullptr);
  driver.join();
  return result;
}

class FamilyDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    ::SetEnvironmentVariableW(L"APPDATA", appData.path().c_str());
  }
  void TearDown() override {
    launcher::SetCaptureFactory(nullptr);
    ::SetEnvironmentVariableW(L"APPDATA", nullptr);
  }
  fw::GdiplusSession gdiplus;
  TestFolder appData{L"bimbly-dlg-appdata-"};
};

}  // namespace

TEST_F(FamilyDialog, RecordsFromTheCaptureLayerAndStoresTheRecording) {
  launcher::SetCaptureFactory([] { return std::make_unique<ToneCapture>(true); });
  CFamilyDlg dialog(bimbly::family::Book{}, -1);
  int peak = 0;
  std::wstring afterStop;
  const INT_PTR result = RunDialog(dialog, [&](HWND dlg) {
    HWND record = ::GetDlgItem(dlg, IDC_FAM_RECORD);
    EXPECT_TRUE(::IsWindowEnabled(record));
    ::PostMessageW(record, BM_CLICK, 0, 0);
    Poll([&] { return (peak = static_cast<int>(::SendMessageW(::GetDlgItem(dlg, IDC_FAM_LEVEL), PBM_GETPOS, 0, 0))) > 50; },
         5000);
    ::PostMessageW(record, BM_CLICK, 0, 0);  // stop
    Poll([&] { return ::IsWindowEnabled(::GetDlgItem(dlg, IDC_FAM_PLAY)) != FALSE; }, 5000);
    afterStop = fw::GetWindowTextString(record);
    ::SendMessageW(::GetDlgItem(dlg, IDC_FAM_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Mum"));
    ::SendMessageW(::GetDlgItem(dlg, IDC_FAM_PICTURE), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(kPicture));
    ::PostMessageW(::GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    Poll([&] { return !::IsWindow(dlg); }, 5000);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_GT(peak, 50);
  EXPECT_EQ(afterStop, L"\u91CD\u5F55");  // 重录
  const bimbly::family::Book book = family_files::LoadBook();
  ASSERT_EQ(book.items.size(), 1u);
  EXPECT_EQ(book.items[0].picture, "item1.jpg");
  const family_files::Bytes sound = family_files::CardSound(book.items[0]);
  const bimbly::family::WavInfo info = bimbly::family::InspectWav(sound.data(), sound.size());
  EXPECT_EQ(info.problem, bimbly::family::WavProblem::kOk);
  EXPECT_EQ(info.sampleRate, launcher::SoundCapture::kSampleRate);
  EXPECT_GT(info.durationMs, 0u);
  EXPECT_LE(info.durationMs, bimbly::family::kMaxSoundMs);
}

TEST_F(FamilyDialog, WithoutAMicrophoneTheRecordButtonIsOffAndSaysWhy) {
  launcher::SetCaptureFactory([] { return std::make_unique<ToneCapture>(false); });
  CFamilyDlg dialog(bimbly::family::Book{}, -1);
  bool enabled = true;
  std::wstring tip;
  bool faded = false;
  int flatButtons = 0;
  RunDialog(dialog, [&](HWND dlg) {
    enabled = ::IsWindowEnabled(::GetDlgItem(dlg, IDC_FAM_RECORD)) != FALSE;
    // The suite's look: faded in, every push button one of the flat picture buttons.
    faded = (::GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    for (int id : {IDC_FAM_PICTURE_BROWSE, IDC_FAM_SOUND_BROWSE, IDC_FAM_RECORD, IDC_FAM_PLAY, IDOK, IDCANCEL})
      flatButtons += (::GetWindowLongW(::GetDlgItem(dlg, id), GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW ? 1 : 0;
    // The tip lives on the dialog over the button's place (a disabled button hears no mouse).
    for (HWND h = ::FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); h;
         h = ::FindWindowExW(nullptr, h, TOOLTIPS_CLASSW, nullptr)) {
      if (::GetWindow(h, GW_OWNER) != dlg) continue;
      wchar_t text[128] = {};
      TTTOOLINFOW info{};
      info.cbSize = sizeof(info);
      info.hwnd = dlg;
      info.uId = IDC_FAM_RECORD;
      info.lpszText = text;
      ::SendMessageW(h, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&info));
      tip = text;
    }
  });
  EXPECT_FALSE(enabled);
  EXPECT_NE(tip.find(L"\u9EA6\u514B\u98CE"), std::wstring::npos);  // 麦克风
  EXPECT_TRUE(faded);
  EXPECT_EQ(flatButtons, 6);
  EXPECT_TRUE(family_files::LoadBook().items.empty());
}

TEST_F(FamilyDialog, PicturesAreStoredUprightWithinTheSizeAndAnimationsKeepTheirFrames) {
  struct Case {
    const wchar_t* file;
    bimbly::family::PictureType type;
    int width, height;
    bool sameBytes;  // kept as it came
  };
  const Case cases[] = {
      {L"rotated.jpg", bimbly::family::PictureType::kJpeg, 20, 40, false},  // 40 x 20, EXIF "rotate 90"
      {L"large.jpg", bimbly::family::PictureType::kJpeg, 1024, 819, false},  // 2560 x 2048
      {L"alpha.png", bimbly::family::PictureType::kPng, 0, 0, false},
      {L"keyed.bmp", bimbly::family::PictureType::kPng, 0, 0, false},
      {L"anim4.gif", bimbly::family::PictureType::kGif, 16, 16, true},
  };
  for (const Case& c : cases) {
    const std::wstring path = std::wstring(BIMBLY_FAMILY_TEST_DATA) + L"\\" + c.file;
    const family_files::PreparedPicture p = family_files::PreparePicture(path);
    ASSERT_EQ(p.problem, family_files::PictureProblem::kOk) << c.file;
    EXPECT_EQ(p.type, c.type) << c.file;
    const bimbly::family::Size size = bimbly::family::HeaderSize(p.bytes.data(), p.bytes.size());
    if (c.width) {
      EXPECT_EQ(size.width, c.width) << c.file;
      EXPECT_EQ(size.height, c.height) << c.file;
    }
    EXPECT_LE(std::max(size.width, size.height), bimbly::family::kMaxPictureSide) << c.file;
    family_files::Bytes original;
    family_files::ReadFileLimited(path, bimbly::family::kMaxFileBytes, original);
    EXPECT_EQ(p.bytes == original, c.sameBytes) << c.file;
  }
}
