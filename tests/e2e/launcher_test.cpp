// The launcher as a user meets it: start, title, single instance, main window
// parts, and closing.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "tests/e2e/driver.h"

using namespace e2e;

namespace {

constexpr wchar_t kFrameClass[] = L"fw.Frame";
constexpr DWORD kStartBound = 20000;

class LauncherTest : public ::testing::Test {
 protected:
  void TearDown() override {
    // A launcher left behind would make the next start end silently.
    ASSERT_TRUE(WaitUntil([] { return !MutexExists(L"TobbleBabyMain"); }, 10000));
  }

  HWND StartLauncher(Process& process, const std::wstring& workDir = L"") {
    process = Process::Start(folder.File(L"Tobble.exe"), L"", workDir);
    if (!process.started()) return nullptr;
    return WaitForTopLevelWindow(process.id(), kFrameClass, kStartBound);
  }

  ProgramFolder folder;
};

}  // namespace

TEST_F(LauncherTest, FirstStartShowsTheFrameTitledWithTheBuiltInVersion) {
  Process tobble;
  HWND frame = StartLauncher(tobble);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(WindowText(frame), L"Bimbly 0.3.3.121");
  EXPECT_TRUE(MutexExists(L"TobbleBabyMain"));
  // Starting writes nothing: the settings file appears only when settings are confirmed.
  EXPECT_FALSE(folder.Exists(L"config.ini"));
  EXPECT_FALSE(folder.Exists(L"verinfo.ini"));
}

TEST_F(LauncherTest, TitleCarriesTheInstalledVersionFromVerinfo) {
  folder.Write(L"verinfo.ini", "[Version]\r\nver=1.2.3\r\n");
  Process tobble;
  HWND frame = StartLauncher(tobble);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(WindowText(frame), L"Bimbly 1.2.3");
}

TEST_F(LauncherTest, FrameFadesInToAlpha200AndStaysSlightlyTransparent) {
  Process tobble;
  HWND frame = StartLauncher(tobble);
  ASSERT_NE(frame, nullptr);
  BYTE alpha = 0;
  DWORD flags = 0;
  EXPECT_TRUE(WaitUntil(
      [&] {
        COLORREF key;
        return ::GetLayeredWindowAttributes(frame, &key, &alpha, &flags) && alpha == 200;
      },
      5000));
  ::Sleep(300);
  COLORREF key;
  ASSERT_TRUE(::GetLayeredWindowAttributes(frame, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 200);
  EXPECT_TRUE(flags & LWA_ALPHA);
}

TEST_F(LauncherTest, SecondLauncherEndsSilentlyWhileTheFirstKeepsRunning) {
  Process first;
  HWND frame = StartLauncher(first);
  ASSERT_NE(frame, nullptr);

  // Also from another working directory: the lock is by name, not by folder.
  for (const std::wstring& workDir : {std::wstring(), folder.path() + L"\\.."}) {
    Process second = Process::Start(folder.File(L"Tobble.exe"), L"", workDir);
    ASSERT_TRUE(second.started());
    EXPECT_TRUE(second.WaitForExit(10000));
    EXPECT_TRUE(TopLevelWindows(second.id(), false).empty());
    EXPECT_TRUE(first.running());
    EXPECT_EQ(WindowText(frame), L"Bimbly 0.3.3.121");
  }
}

TEST_F(LauncherTest, FirstLauncherStartedElsewhereStillBlocksASecond) {
  Process first;
  HWND frame = StartLauncher(first, folder.path() + L"\\..");
  ASSERT_NE(frame, nullptr);
  Process second = Process::Start(folder.File(L"Tobble.exe"));
  EXPECT_TRUE(second.WaitForExit(10000));
  EXPECT_TRUE(first.running());
}

TEST_F(LauncherTest, MainWindowHasToolbarStatusPromptTreeAndList) {
  Process tobble;
  HWND frame = StartLauncher(tobble);
  ASSERT_NE(frame, nullptr);

  HWND start = FindDescendant(frame, L"Button", 1000);
  ASSERT_NE(start, nullptr);
  HWND toolbar = ::GetParent(start);
  for (int id = 1000; id <= 1005; ++id) EXPECT_NE(::GetDlgItem(toolbar, id), nullptr) << id;
  HWND banner = ::GetDlgItem(toolbar, 1005);
  EXPECT_FALSE(::IsWindowEnabled(banner));
  const RECT client = ClientRectOnScreen(frame);
  const RECT bannerRect = WindowRectOf(banner);
  EXPECT_NEAR(bannerRect.right, client.right, 1);
  EXPECT_EQ(bannerRect.top, WindowRectOf(toolbar).top);
  // The buttons stay at the left, in order.
  EXPECT_LT(WindowRectOf(::GetDlgItem(toolbar, 1000)).left, WindowRectOf(::GetDlgItem(toolbar, 1004)).left);
  EXPECT_LT(WindowRectOf(::GetDlgItem(toolbar, 1004)).right, bannerRect.left);

  HWND status = FindDescendant(frame, STATUSCLASSNAMEW);
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(WindowText(status),
            L"\u8BF7\u53CC\u51FB\u4E0A\u65B9\u7684\u56FE\u6807\u8FDB\u5165\u6E38\u620F\u2191            ");
  EXPECT_NEAR(WindowRectOf(status).bottom, client.bottom, 1);

  HWND tree = FindDescendant(frame, WC_TREEVIEWW);
  HWND list = FindDescendant(frame, WC_LISTVIEWW);
  ASSERT_NE(tree, nullptr);
  ASSERT_NE(list, nullptr);
  const RECT treeRect = WindowRectOf(tree);
  const RECT listRect = WindowRectOf(list);
  EXPECT_EQ(treeRect.right - treeRect.left, 150);
  EXPECT_GE(listRect.left - treeRect.right, 10);  // the splitter bar between them
  EXPECT_GT(listRect.right - listRect.left, treeRect.right - treeRect.left);
  EXPECT_GT(treeRect.top, WindowRectOf(toolbar).top);
  EXPECT_LT(treeRect.bottom, WindowRectOf(status).top);
}

TEST_F(LauncherTest, WideningTheFrameLeavesTheBannerWhereItWas) {
  Process tobble;
  HWND frame = StartLauncher(tobble);
  ASSERT_NE(frame, nullptr);
  HWND banner = FindDescendant(frame, L"Button", 1005);
  ASSERT_NE(banner, nullptr);
  const RECT before = WindowRectOf(banner);
  RECT rc = WindowRectOf(frame);
  ::SetWindowPos(frame, nullptr, 0, 0, rc.right - rc.left + 200, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);
  ::Sleep(300);
  const RECT after = WindowRectOf(banner);
  EXPECT_EQ(after.left - WindowRectOf(frame).left, before.left - rc.left);
}

TEST_F(LauncherTest, ClosingTheFrameEndsTheProgramWithExitCodeZero) {
  Process tobble;
  HWND frame = StartLauncher(tobble);
  ASSERT_NE(frame, nullptr);
  // Automatic updating would start the updater on close; keep this test to the launcher.
  folder.Write(L"config.ini", "[Update]\r\nMode=manu\r\n");
  ::PostMessageW(frame, WM_CLOSE, 0, 0);
  ASSERT_TRUE(tobble.WaitForExit(10000));
  EXPECT_EQ(tobble.exitCode(), 0u);
  EXPECT_FALSE(MutexExists(L"TobbleBabyMain"));
}

TEST_F(LauncherTest, BrokenSettingsAndVersionFilesNeverStopTheStart) {
  std::string garbage;
  unsigned seed = 7;
  for (int i = 0; i < 200000; ++i) {
    seed = seed * 1664525u + 1013904223u;
    garbage.push_back(static_cast<char>(seed >> 24));
  }
  std::string huge;
  while (huge.size() < 10 * 1024 * 1024) huge += "[Style]\r\nMode=manu\r\nChoose=" + std::string(3000, '9') + "\r\n";
  const std::string overlong = "[Version]\r\nver=" + std::string(5000, '7') + "\r\n";

  struct Case {
    const char* name;
    std::string config;
    std::string verinfo;
  } cases[] = {
      {"empty", "", ""},
      {"garbage", garbage, garbage},
      {"huge", huge, overlong},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    folder.Write(L"config.ini", c.config);
    folder.Write(L"verinfo.ini", c.verinfo);
    Process tobble;
    HWND frame = StartLauncher(tobble);
    ASSERT_NE(frame, nullptr);
    const std::wstring title = WindowText(frame);
    EXPECT_EQ(title.rfind(L"Bimbly ", 0), 0u);
    if (c.verinfo.empty()) {
      EXPECT_EQ(title, L"Bimbly 0.3.3.121");
    }
    // An overlong version is cut to what the store reads, never past it.
    EXPECT_LE(title.size(), 7u + 2047u);
    tobble.Kill();
    ASSERT_TRUE(WaitUntil([] { return !MutexExists(L"TobbleBabyMain"); }, 10000));
  }
}
