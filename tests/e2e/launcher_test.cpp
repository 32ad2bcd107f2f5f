// The launcher as a user meets it: start, title, single instance, main window
// parts, and closing.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "core/wait_bounds.h"
#include "tests/e2e/launcher_session.h"
#include "launcher/resource.h"

using namespace e2e;

namespace {

class LauncherTest : public ::testing::Test {
 protected:
  void TearDown() override {
    // A launcher left behind would make the next start end silently.
    ASSERT_TRUE(WaitUntil([] { return !MutexExists(L"TobbleBabyMain"); }, 10000));
  }

  ProgramFolder folder;
};

}  // namespace

TEST_F(LauncherTest, FirstStartShowsTheFrameTitledWithTheBuiltInVersion) {
  LauncherSession tobble(folder);
  HWND frame = tobble.frame;
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(WindowText(frame), L"Bimbly 0.3.3.121");
  EXPECT_TRUE(MutexExists(L"TobbleBabyMain"));
  // Starting writes nothing: the settings file appears only when settings are confirmed.
  EXPECT_FALSE(folder.Exists(L"config.ini"));
  EXPECT_FALSE(folder.Exists(L"verinfo.ini"));
}

TEST_F(LauncherTest, TitleCarriesTheInstalledVersionFromVerinfo) {
  folder.Write(L"verinfo.ini", "[Version]\r\nver=1.2.3\r\n");
  LauncherSession tobble(folder);
  HWND frame = tobble.frame;
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(WindowText(frame), L"Bimbly 1.2.3");
}

TEST_F(LauncherTest, FrameFadesInToAlpha200AndStaysSlightlyTransparent) {
  LauncherSession tobble(folder);
  HWND frame = tobble.frame;
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
  LauncherSession first(folder);
  HWND frame = first.frame;
  ASSERT_NE(frame, nullptr);

  // Also from another working directory: the lock is by name, not by folder.
  for (const std::wstring& workDir : {std::wstring(), folder.path() + L"\\.."}) {
    Process second = Process::Start(folder.File(L"Tobble.exe"), L"", workDir);
    ASSERT_TRUE(second.started());
    EXPECT_TRUE(second.WaitForExit(10000));
    EXPECT_TRUE(TopLevelWindows(second.id(), false).empty());
    EXPECT_TRUE(first.process.running());
    EXPECT_EQ(WindowText(frame), L"Bimbly 0.3.3.121");
  }
}

TEST_F(LauncherTest, FirstLauncherStartedElsewhereStillBlocksASecond) {
  LauncherSession first(folder, folder.path() + L"\\..");
  ASSERT_NE(first.frame, nullptr);
  Process second = Process::Start(folder.File(L"Tobble.exe"));
  EXPECT_TRUE(second.WaitForExit(10000));
  EXPECT_TRUE(first.process.running());
}

TEST_F(LauncherTest, MainWindowHasToolbarStatusPromptTreeAndList) {
  LauncherSession tobble(folder);
  HWND frame = tobble.frame;
  ASSERT_NE(frame, nullptr);

  HWND toolbar = tobble.toolbar;
  ASSERT_NE(toolbar, nullptr);
  for (int id = IDC_TOOL_START; id <= IDC_TOOL_BANNER; ++id) EXPECT_NE(::GetDlgItem(toolbar, id), nullptr) << id;
  HWND banner = ::GetDlgItem(toolbar, IDC_TOOL_BANNER);
  EXPECT_FALSE(::IsWindowEnabled(banner));
  const RECT client = ClientRectOnScreen(frame);
  const RECT bannerRect = WindowRectOf(banner);
  EXPECT_NEAR(bannerRect.right, client.right, 1);
  EXPECT_EQ(bannerRect.top, WindowRectOf(toolbar).top);
  // The buttons stay at the left, in order.
  EXPECT_LT(WindowRectOf(::GetDlgItem(toolbar, IDC_TOOL_START)).left, WindowRectOf(::GetDlgItem(toolbar, IDC_TOOL_ABOUT)).left);
  EXPECT_LT(WindowRectOf(::GetDlgItem(toolbar, IDC_TOOL_ABOUT)).right, bannerRect.left);

  HWND status = tobble.status;
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(WindowText(status),
            L"\u8BF7\u53CC\u51FB\u4E0A\u65B9\u7684\u56FE\u6807\u8FDB\u5165\u6E38\u620F\u2191            ");
  EXPECT_NEAR(WindowRectOf(status).bottom, client.bottom, 1);

  HWND tree = tobble.tree;
  HWND list = tobble.list;
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
  LauncherSession tobble(folder);
  HWND frame = tobble.frame;
  ASSERT_NE(frame, nullptr);
  HWND banner = FindDescendant(frame, L"Button", IDC_TOOL_BANNER);
  ASSERT_NE(banner, nullptr);
  const RECT before = WindowRectOf(banner);
  RECT rc = WindowRectOf(frame);
  const LONG wider = rc.right - rc.left + 200;
  ::SetWindowPos(frame, nullptr, 0, 0, wider, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);
  // The frame has laid itself out anew once its status bar spans the new width.
  WaitUntil(
      [&] {
        const RECT now = WindowRectOf(frame);
        const LONG statusRight = WindowRectOf(tobble.status).right;
        return now.right - now.left == wider && std::abs(statusRight - ClientRectOnScreen(frame).right) <= 1;
      },
      bimbly::kWindowThreadCreateMs);
  const RECT after = WindowRectOf(banner);
  EXPECT_EQ(after.left - WindowRectOf(frame).left, before.left - rc.left);
}

TEST_F(LauncherTest, ClosingTheFrameEndsTheProgramWithExitCodeZero) {
  LauncherSession tobble(folder);
  HWND frame = tobble.frame;
  ASSERT_NE(frame, nullptr);
  // Automatic updating would start the updater on close; keep this test to the launcher.
  folder.Write(L"config.ini", "[Update]\r\nMode=manu\r\n");
  ::PostMessageW(frame, WM_CLOSE, 0, 0);
  ASSERT_TRUE(tobble.process.WaitForExit(10000));
  EXPECT_EQ(tobble.process.exitCode(), 0u);
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
    LauncherSession tobble(folder);
    HWND frame = tobble.frame;
    ASSERT_NE(frame, nullptr);
    const std::wstring title = WindowText(frame);
    EXPECT_EQ(title.rfind(L"Bimbly ", 0), 0u);
    if (c.verinfo.empty()) {
      EXPECT_EQ(title, L"Bimbly 0.3.3.121");
    }
    // An overlong version is cut to what the store reads, never past it.
    EXPECT_LE(title.size(), 7u + 2047u);
    tobble.process.Kill();
    tobble.Close();
  }
}
