// A game on a desk with two monitors: the second one lies under a black,
// topmost window of the game that takes the clicks, for the game's length.
// Runs on its own two-monitor display (on_two_monitors.sh).
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "tests/e2e/game_session.h"

using namespace e2e;

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM out) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (::GetMonitorInfoW(monitor, &info)) reinterpret_cast<std::vector<MONITORINFO>*>(out)->push_back(info);
  return TRUE;
}

std::vector<HWND> Covers(DWORD processId) {
  std::vector<HWND> covers;
  for (HWND h : TopLevelWindows(processId, /*visibleOnly=*/false))
    if (ClassName(h) == L"BimblyMonitorCover") covers.push_back(h);
  return covers;
}

}  // namespace

TEST(TwoMonitors, TheSecondMonitorIsCoveredDuringAGameAndNothingIsLeftAfterIt) {
  std::vector<MONITORINFO> monitors;
  ::EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  ASSERT_EQ(monitors.size(), 2u) << "the display must offer two monitors";
  const MONITORINFO& primary = monitors[0].dwFlags & MONITORINFOF_PRIMARY ? monitors[0] : monitors[1];
  const MONITORINFO& second = &primary == &monitors[0] ? monitors[1] : monitors[0];
  // A point of the second monitor that the primary one does not reach.
  const POINT onSecond{second.rcMonitor.right - 20, second.rcMonitor.bottom - 20};
  ASSERT_FALSE(::PtInRect(&primary.rcMonitor, onSecond));

  ProgramFolder folder;
  GameSession g(folder);
  ASSERT_TRUE(g.launcher.ok());
  ASSERT_TRUE(g.StartMusicItem(0));
  Focus(g.game);
  const DWORD pid = g.launcher.process.id();
  ASSERT_TRUE(WaitUntil([&] { return Covers(pid).size() == 1; }, 5000));
  HWND cover = Covers(pid)[0];
  EXPECT_TRUE(::IsWindowVisible(cover));
  EXPECT_TRUE(::GetWindowLongW(cover, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(::GetWindow(cover, GW_OWNER), nullptr);
  EXPECT_EQ(::WindowFromPoint(onSecond), cover);
  EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(onSecond.x, onSecond.y) == RGB(0, 0, 0); }, 3000));
  // The board stays on the primary monitor, uncovered.
  const RECT board = WindowRectOf(g.Board());
  EXPECT_TRUE(::EqualRect(&board, &primary.rcMonitor));
  const POINT onPrimary{primary.rcMonitor.left + 40, primary.rcMonitor.top + 40};
  EXPECT_NE(::WindowFromPoint(onPrimary), cover);

  // A click on the second monitor lands on the cover and changes nothing.
  ClickAt(onSecond.x, onSecond.y);
  ::Sleep(300);
  EXPECT_TRUE(::IsWindow(g.game));
  DWORD foregroundProcess = 0;
  ::GetWindowThreadProcessId(::GetForegroundWindow(), &foregroundProcess);
  EXPECT_EQ(foregroundProcess, pid);
  EXPECT_NE(::GetForegroundWindow(), cover);

  // A change of the display layout builds the covers afresh.
  ::SendMessageTimeoutW(g.game, WM_DISPLAYCHANGE, 24, MAKELPARAM(1024, 768), SMTO_NORMAL, 5000, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return Covers(pid).size() == 1 && Covers(pid)[0] != cover; }, 3000));
  EXPECT_EQ(::WindowFromPoint(onSecond), Covers(pid)[0]);

  ASSERT_TRUE(g.LeaveWithExitWord());
  EXPECT_TRUE(WaitUntil([&] { return Covers(pid).empty(); }, 3000));
  EXPECT_NE(ClassName(::WindowFromPoint(onSecond)), L"BimblyMonitorCover");
}
