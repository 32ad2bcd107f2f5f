// The time limit and the reminder pictures, as a parent sets them in
// config.ini: the hint scrolling over the board, the board taken away when
// the time is up, and leaving afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "gamehost/resource.h"
#include "tests/e2e/game_session.h"

using namespace e2e;

namespace {

constexpr SIZE kRemindSize{900, 25};
constexpr SIZE kRemindExitSize{400, 25};

bool HasSize(HWND h, SIZE s) {
  const RECT r = WindowRectOf(h);
  return r.right - r.left == s.cx && r.bottom - r.top == s.cy;
}

class PlayTime : public ::testing::Test {
 protected:
  void Start(const char* operation) {
    folder.Write(L"config.ini", std::string("[Operation]\r\n") + operation);
    ASSERT_TRUE(g.launcher.ok());
    ASSERT_TRUE(g.StartMusicItem(0));
    Focus(g.game);
  }
  // Reminder pictures of the given size on screen, with their owners.
  std::vector<HWND> Pictures(SIZE size) const {
    std::vector<HWND> found;
    for (HWND h : TopLevelWindows(g.launcher.process.id()))
      if (HasSize(h, size)) found.push_back(h);
    return found;
  }
  HWND WaitForPicture(SIZE size, HWND owner, DWORD timeoutMs = 5000) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
          const std::vector<HWND> all = Pictures(size);
          found = all.size() == 1 && ::GetWindow(all[0], GW_OWNER) == owner ? all[0] : nullptr;
          return found != nullptr;
        },
        timeoutMs);
    return found;
  }
  // The board: a full-screen window the game window owns, but the backdrop under it.
  HWND BoardWindow() const {
    for (HWND h : TopLevelWindows(g.launcher.process.id()))
      if (::GetWindow(h, GW_OWNER) == g.game && !IsBoardBackdrop(h) && WindowRectOf(h).right - WindowRectOf(h).left ==
                                                    ::GetSystemMetrics(SM_CXSCREEN))
        return h;
    return nullptr;
  }
  // True when the picture moves leftwards (or has just re-entered at the right).
  static bool ScrollsLeft(HWND picture) {
    const LONG first = WindowRectOf(picture).left;
    ::Sleep(300);
    const LONG then = WindowRectOf(picture).left;
    return then < first || then > ::GetSystemMetrics(SM_CXSCREEN) - 100;
  }
  // The time is up, as the game window's timer 1 reports it.
  void TimeIsUp() { ::PostMessageW(g.game, WM_TIMER, 1, 0); }
  bool TimeUpShown() {
    HWND exitPicture = WaitForPicture(kRemindExitSize, g.game);
    return exitPicture && ScrollsLeft(exitPicture) && BoardWindow() == nullptr && Pictures(kRemindSize).empty() &&
           !ProcessHasModule(g.launcher.process.id(), L"Music.dll");
  }
  // Escape opens the exit dialog, owned by the game window.
  HWND EscapeOpensExitDialogAboveTheGame() {
    Focus(g.game);
    PressKey(VK_ESCAPE);
    HWND dlg = nullptr;
    WaitUntil([&] { return (dlg = g.ExitDialog()) != nullptr; }, 5000);
    if (!dlg) return nullptr;
    // Owned by the game window, so it lies above that topmost window.
    EXPECT_EQ(::GetWindow(dlg, GW_OWNER), g.game);
    ::Sleep(200);
    return dlg;
  }

  ProgramFolder folder;
  GameSession g{folder};
};

}  // namespace

TEST_F(PlayTime, ALimitOfNoMinutesShowsOnlyTheExitPictureAndTheExitWordStillLeaves) {
  Start("TimeLimit=0\r\n");
  ASSERT_TRUE(TimeUpShown());
  // Keys play nothing any more, and Page Up/Down bring no board back.
  for (WORD key : {WORD('A'), WORD(VK_RETURN)}) PressKey(key);
  for (WORD key : {WORD(VK_NEXT), WORD(VK_PRIOR)}) PressKey(key, /*extended=*/true);
  ::Sleep(1000);
  EXPECT_EQ(BoardWindow(), nullptr);
  EXPECT_EQ(g.ExitDialog(), nullptr);
  EXPECT_FALSE(ProcessHasModule(g.launcher.process.id(), L"Music.dll"));
  EXPECT_TRUE(::IsWindow(g.game));

  ASSERT_NE(EscapeOpensExitDialogAboveTheGame(), nullptr);
  TypeText(L"exit");
  PressKey(VK_RETURN);
  EXPECT_TRUE(g.WaitForGameEnd(5000));
}

TEST_F(PlayTime, WithoutRemindersNoneShowsUntilTheTimeIsUpWhichClosesAnOpenExitDialog) {
  Start("Remind=n\r\n");
  ::Sleep(1000);
  EXPECT_TRUE(Pictures(kRemindSize).empty());
  EXPECT_TRUE(Pictures(kRemindExitSize).empty());

  PressKey(VK_ESCAPE);
  HWND dlg = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (dlg = g.ExitDialog()) != nullptr; }, 5000));
  TimeIsUp();
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(dlg); }, 5000));
  EXPECT_TRUE(TimeUpShown());
  // A new dialog opens and cancels as before; the game waits for the word.
  dlg = EscapeOpensExitDialogAboveTheGame();
  ASSERT_NE(dlg, nullptr);
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(dlg); }, 5000));
  EXPECT_TRUE(::IsWindow(g.game));
  EXPECT_TRUE(g.LeaveWithExitWord());
}

TEST_F(PlayTime, OneReminderScrollsOverTheBoardAndEntersAgainAfterASwitch) {
  Start("Remind=y\r\nTimeLimit=30\r\n");
  HWND board = g.Board();
  HWND hint = WaitForPicture(kRemindSize, board);
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(ScrollsLeft(hint));
  // It rushed in from the right edge: after a second it has come no more than
  // 29 + 28 + ... pixels, about 500, from there.
  EXPECT_GT(WindowRectOf(hint).left, ::GetSystemMetrics(SM_CXSCREEN) - 700);

  Focus(g.game);
  PressKey(VK_NEXT, /*extended=*/true);
  HWND next = g.WaitForNewBoard(board, 10000);
  ASSERT_NE(next, nullptr);
  HWND again = WaitForPicture(kRemindSize, next);
  ASSERT_NE(again, nullptr);
  EXPECT_FALSE(::IsWindow(hint));
  EXPECT_GT(WindowRectOf(again).left, ::GetSystemMetrics(SM_CXSCREEN) / 2);
  EXPECT_TRUE(ScrollsLeft(again));
}
