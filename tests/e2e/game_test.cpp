// A game as a child and an adult meet it: the full-screen window, keys
// reaching the board, the exit dialog and stepping through the catalog.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "contracts/module_contract.h"
#include "core/wait_bounds.h"
#include "gamehost/resource.h"
#include "tests/e2e/game_session.h"

using namespace e2e;

namespace {

// What a window must do within the bound the suite gives a window thread.
constexpr DWORD kWindowMs = bimbly::kWindowThreadCreateMs;

// The window that has the keyboard focus in the thread of `window`.
HWND FocusIn(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// Clicks a button once nothing covers its centre: a moving picture passing
// over it would take the click.
// Clicks a button once nothing lies over it; false (no click, which would
// land on whatever covers it) when it stays covered.
bool ClickWhenUncovered(HWND button) {
  const auto centre = [&] {
    const RECT rc = WindowRectOf(button);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  };
  if (!WaitUntil([&] { return ::WindowFromPoint(centre()) == button; }, kWindowMs)) return false;
  ClickWindowCentre(button);
  return true;
}

// Sends a key through the game window and waits until the board has it, the
// board is another or the game is gone: the game window has then handled
// everything posted to it before, so what did not happen by now never will.
void CatchUpWithTheGameWindow(GameSession& g) {
  HWND board = g.Board();
  const long before = g.BoardKeyDowns();
  ::PostMessageW(g.game, WM_PLAY_KEYDOWN, 'Q', 0x00100001);
  ::PostMessageW(g.game, WM_PLAY_KEYUP, 'Q', 0xC0100001);
  WaitUntil([&] { return !::IsWindow(g.game) || g.Board() != board || g.BoardKeyDowns() > before; }, kWindowMs);
}

}  // namespace

TEST(GameTest, StartingPianoOpensTheFullScreenGameWithItsBoard) {
  ProgramFolder folder;
  GameSession g(folder);
  ASSERT_TRUE(g.launcher.ok());
  ASSERT_TRUE(g.StartMusicItem(0));
  const RECT game = WindowRectOf(g.game);
  EXPECT_EQ(game.left, 0);
  EXPECT_EQ(game.top, 0);
  EXPECT_EQ(game.right, ::GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(game.bottom, ::GetSystemMetrics(SM_CYSCREEN));
  EXPECT_TRUE(::GetWindowLongW(g.game, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(MutexExists(L"TobbleBabyPlaying"));
  EXPECT_FALSE(::IsWindowEnabled(g.launcher.frame));
  ASSERT_NE(g.Board(), nullptr);
  EXPECT_EQ(::GetWindow(g.Board(), GW_OWNER), g.game);
  const RECT board = WindowRectOf(g.Board());
  EXPECT_EQ(board.right - board.left, ::GetSystemMetrics(SM_CXSCREEN));
  // The board draws the piano's stage over the black game window: its top
  // corner is curtain, not black.
  EXPECT_TRUE(WaitUntil([] { return ScreenPixel(8, 8) != RGB(0, 0, 0); }, 5000));
}

namespace {

class PlayingGame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(g.launcher.ok());
    ASSERT_TRUE(g.StartMusicItem(0));
    Focus(g.game);
  }
  // Key-downs at the board settle: waits until the count stops changing.
  long SettledKeyDowns() {
    long last = -2;
    WaitUntil(
        [&] {
          const long now = g.BoardKeyDowns();
          const bool same = now == last;
          last = now;
          return same;
        },
        3000);
    return last;
  }
  HWND WaitForExitDialog() {
    HWND dlg = nullptr;
    WaitUntil([&] { return (dlg = g.ExitDialog()) != nullptr; }, 5000);
    return dlg;
  }
  // Escape, then the exit dialog once its edit box has the focus; null when none came.
  HWND OpenExitDialog() {
    PressKey(VK_ESCAPE);
    HWND dlg = WaitForExitDialog();
    if (dlg) WaitUntil([&] { return FocusIn(dlg) == ::GetDlgItem(dlg, IDC_EXIT_EDIT); }, kWindowMs);
    return dlg;
  }
  // Clicks letter buttons in the given order, then OK; returns what the edit box held.
  std::wstring ClickLettersAndConfirm(std::initializer_list<int> buttons) {
    HWND dlg = OpenExitDialog();
    if (!dlg) return L"<no dialog>";
    HWND edit = ::GetDlgItem(dlg, IDC_EXIT_EDIT);
    size_t clicked = 0;
    for (int id : buttons) {
      ++clicked;
      // Something passing over the button between the check and the click
      // takes the click: such a click is made again.
      for (int attempt = 0; attempt < 3; ++attempt)
        if (ClickWhenUncovered(::GetDlgItem(dlg, id)) &&
            WaitUntil([&] { return WindowText(edit).size() >= clicked; }, 1500))
          break;
    }
    const std::wstring typed = WindowText(edit);
    for (int attempt = 0; attempt < 3 && ::IsWindow(dlg); ++attempt) {
      ClickWhenUncovered(::GetDlgItem(dlg, IDOK));
      WaitUntil([&] { return !::IsWindow(dlg); }, 2000);
    }
    return typed;
  }
  void TypeAndConfirm(const std::wstring& text) {
    HWND dlg = OpenExitDialog();
    ASSERT_NE(dlg, nullptr);
    TypeText(text);
    WaitUntil([&] { return WindowText(::GetDlgItem(dlg, IDC_EXIT_EDIT)) == text; }, kWindowMs);
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(dlg); }, 5000));
  }

  ProgramFolder folder;
  GameSession g{folder};
};

}  // namespace

TEST_F(PlayingGame, KeysReachTheBoardOnceEvenWhenHeldAndEscapeNever) {
  const long before = SettledKeyDowns();
  PressKey('A');
  PressKey('B');
  EXPECT_TRUE(WaitUntil([&] { return g.BoardKeyDowns() == before + 2; }, 3000));
  EXPECT_EQ(g.BoardLastKey(), static_cast<UINT>('B'));

  // A held key repeats at the keyboard; the board hears its first key-down only.
  KeyDown('C');
  for (int i = 0; i < 10; ++i) {
    ::Sleep(30);
    KeyDown('C');
  }
  KeyUp('C');
  EXPECT_TRUE(WaitUntil([&] { return g.BoardLastKey() == static_cast<UINT>('C'); }, 3000));
  EXPECT_EQ(SettledKeyDowns(), before + 3);

  PressKey(VK_ESCAPE);
  HWND dlg = WaitForExitDialog();
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(g.BoardLastKey(), static_cast<UINT>('C'));
  EXPECT_EQ(g.BoardKeyDowns(), before + 3);
}

TEST_F(PlayingGame, TypingExitAndEnterEndsTheGame) {
  TypeAndConfirm(L"exit");
  EXPECT_TRUE(g.WaitForGameEnd(5000));
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(g.launcher.frame) != FALSE; }, 3000));
  EXPECT_TRUE(g.launcher.process.running());
}

TEST_F(PlayingGame, WrongWordsAndLetterButtonsInDisplayOrderDoNotEndTheGame) {
  for (const wchar_t* word : {L"Exit", L"exit "}) {
    SCOPED_TRACE(word);
    TypeAndConfirm(word);
    CatchUpWithTheGameWindow(g);
    EXPECT_TRUE(::IsWindow(g.game));
    EXPECT_TRUE(MutexExists(L"TobbleBabyPlaying"));
  }
  // The letter buttons clicked left to right spell "tiex".
  EXPECT_EQ(ClickLettersAndConfirm({IDC_EXIT_LETTER_T, IDC_EXIT_LETTER_I, IDC_EXIT_LETTER_E, IDC_EXIT_LETTER_X}), L"tiex");
  CatchUpWithTheGameWindow(g);
  EXPECT_TRUE(::IsWindow(g.game));
}

TEST_F(PlayingGame, LetterButtonsInWordOrderEndTheGame) {
  EXPECT_EQ(ClickLettersAndConfirm({IDC_EXIT_LETTER_E, IDC_EXIT_LETTER_X, IDC_EXIT_LETTER_I, IDC_EXIT_LETTER_T}), L"exit");
  EXPECT_TRUE(g.WaitForGameEnd(5000));
}

TEST_F(PlayingGame, ExitDialogCountsDownAndClosesItselfWhileTheGameGoesOn) {
  HWND dlg = OpenExitDialog();
  ASSERT_NE(dlg, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(::GetDlgItem(dlg, IDC_EXIT_COUNTDOWN)) == L"8"; }, 4000));
  const DWORD t0 = ::GetTickCount();
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(dlg); }, 15000));
  const DWORD closedAfter = ::GetTickCount() - t0;
  // "8" shows after two ticks; the eleventh tick closes it about nine seconds later.
  EXPECT_GT(closedAfter, 7000u);
  EXPECT_LT(closedAfter, 11000u);
  EXPECT_TRUE(::IsWindow(g.game));
  // Keys reach the board again.
  const long before = SettledKeyDowns();
  PressKey('Q');
  EXPECT_TRUE(WaitUntil([&] { return g.BoardKeyDowns() == before + 1; }, 3000));
}

TEST_F(PlayingGame, EscapeWhileTheExitDialogIsOpenCancelsIt) {
  HWND dlg = OpenExitDialog();
  ASSERT_NE(dlg, nullptr);
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(dlg); }, 5000));
  CatchUpWithTheGameWindow(g);
  EXPECT_TRUE(::IsWindow(g.game));
  // And a second Escape opens a new one.
  PressKey(VK_ESCAPE);
  EXPECT_NE(WaitForExitDialog(), nullptr);
}

TEST_F(PlayingGame, AltTabReachesTheBoardOnlyAsAlt) {
  const long before = SettledKeyDowns();
  KeyDown(VK_MENU);
  PressKey(VK_TAB);
  KeyUp(VK_MENU);
  EXPECT_EQ(SettledKeyDowns(), before + 1);
  EXPECT_EQ(g.BoardLastKey(), static_cast<UINT>(VK_MENU));
  EXPECT_TRUE(::IsWindow(g.game));
}


namespace {

class SwitchingGame : public ::testing::Test {
 protected:
  // Presses a key and waits for the board of the next item.
  HWND Switch(GameSession& g, WORD key) {
    HWND old = g.Board();
    Focus(g.game);
    PressKey(key, /*extended=*/true);
    return g.WaitForNewBoard(old, 10000);
  }
  ProgramFolder folder;
};

}  // namespace

TEST_F(SwitchingGame, PageDownOnTheLastItemWrapsToTheFirstAndPageUpBack) {
  GameSession g(folder);
  ASSERT_TRUE(g.StartMusicItem(12));  // row 52, the bell
  EXPECT_EQ(BoardItemIndex(g.Board()), 12);
  HWND board = Switch(g, VK_NEXT);
  ASSERT_NE(board, nullptr);
  // Row 0, the wild goose: the bird deck's first item.
  EXPECT_EQ(BoardItemIndex(board), 0);
  EXPECT_TRUE(ProcessHasModule(g.launcher.process.id(), L"DeckBird.dll"));
  EXPECT_FALSE(ProcessHasModule(g.launcher.process.id(), L"Music.dll"));
  board = Switch(g, VK_PRIOR);
  ASSERT_NE(board, nullptr);
  EXPECT_EQ(BoardItemIndex(board), 12);
  EXPECT_TRUE(ProcessHasModule(g.launcher.process.id(), L"Music.dll"));
  EXPECT_FALSE(ProcessHasModule(g.launcher.process.id(), L"DeckBird.dll"));
  // Between two music items the module is loaded afresh with the new item.
  board = Switch(g, VK_PRIOR);
  ASSERT_NE(board, nullptr);
  EXPECT_EQ(BoardItemIndex(board), 11);
}

TEST_F(SwitchingGame, ItemsWhoseModuleIsMissingAreSkipped) {
  folder.Remove(L"DeckBird.dll");
  GameSession g(folder);
  ASSERT_TRUE(g.StartMusicItem(12));
  HWND board = Switch(g, VK_NEXT);
  ASSERT_NE(board, nullptr);
  // Rows 0-10 are birds; row 11 is the goldfish, the sea deck's first item.
  EXPECT_TRUE(ProcessHasModule(g.launcher.process.id(), L"DeckSea.dll"));
  EXPECT_EQ(BoardItemIndex(board), 0);
}

TEST_F(SwitchingGame, PageUpThenPageDownBeforeTheHostReactsMakesOneRequest) {
  GameSession g(folder);
  ASSERT_TRUE(g.StartMusicItem(5));  // row 45, the cello
  HWND old = g.Board();
  // Both keys wait in the board's queue before it handles the first, as they
  // do when a child hits them faster than the host switches.
  ::PostMessageW(old, WM_PLAY_KEYDOWN, VK_PRIOR, 0x01490001);
  ::PostMessageW(old, WM_PLAY_KEYDOWN, VK_NEXT, 0x01510001);
  HWND board = g.WaitForNewBoard(old, 10000);
  ASSERT_NE(board, nullptr);
  // A second request would have come from the old board, before it went, and
  // would have replaced this board again by the time the game window catches up.
  WaitUntil([&] { return !::IsWindow(old); }, kWindowMs);
  CatchUpWithTheGameWindow(g);
  EXPECT_EQ(g.Board(), board);
  EXPECT_EQ(BoardItemIndex(board), 4);
}

TEST_F(SwitchingGame, WithoutTheKeyboardLockTheGameRunsAndEscapeEndsIt) {
  folder.Remove(L"KeyHush.dll");
  GameSession g(folder);
  ASSERT_TRUE(g.StartMusicItem(0));
  EXPECT_FALSE(ProcessHasModule(g.launcher.process.id(), L"KeyHush.dll"));
  Focus(g.game);
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(g.WaitForGameEnd(5000));
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(g.launcher.frame) != FALSE; }, 3000));
}

TEST_F(SwitchingGame, AModuleWithoutABoardEndsTheGameAtOnce) {
  // Loads and exports Initialize, so the launcher's probe passes; its
  // Initialize makes no board, so the game must give up by itself.
  wchar_t exe[MAX_PATH];
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring refusing(exe);
  refusing = refusing.substr(0, refusing.find_last_of(L'\\')) + L"\\RefusingModule.dll";
  ASSERT_TRUE(::CopyFileW(refusing.c_str(), folder.File(L"Music.dll").c_str(), FALSE));

  GameSession g(folder);
  ASSERT_TRUE(g.launcher.ClickItem(kMusicCategory, 0, /*doubleClick=*/true));
  // The game window may flash; it must be gone, with the launcher usable,
  // shortly after the game has asked the module for its board.
  WaitUntil([&] { return folder.Exists(L"Music.dll.initialized"); }, kWindowMs);
  EXPECT_TRUE(WaitUntil([&] { return !MutexExists(L"TobbleBabyPlaying"); }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(g.launcher.frame) != FALSE; }, 3000));
  EXPECT_EQ(g.launcher.WaitForMessageBox(300), nullptr);  // no message for this
  EXPECT_EQ(TopLevelWindows(g.launcher.process.id()).size(), 1u);
  EXPECT_FALSE(ProcessHasModule(g.launcher.process.id(), L"KeyHush.dll"));  // the keyboard is free again
}

namespace {
struct AccessibilityFlags {
  DWORD sticky, toggle, filter, mouse;
  bool operator==(const AccessibilityFlags& o) const {
    return sticky == o.sticky && toggle == o.toggle && filter == o.filter && mouse == o.mouse;
  }
};

AccessibilityFlags ReadAccessibilityFlags() {
  STICKYKEYS sk{};
  sk.cbSize = sizeof(sk);
  TOGGLEKEYS tk{};
  tk.cbSize = sizeof(tk);
  FILTERKEYS fk{};
  fk.cbSize = sizeof(fk);
  MOUSEKEYS mk{};
  mk.cbSize = sizeof(mk);
  ::SystemParametersInfoW(SPI_GETSTICKYKEYS, sizeof(sk), &sk, 0);
  ::SystemParametersInfoW(SPI_GETTOGGLEKEYS, sizeof(tk), &tk, 0);
  ::SystemParametersInfoW(SPI_GETFILTERKEYS, sizeof(fk), &fk, 0);
  ::SystemParametersInfoW(SPI_GETMOUSEKEYS, sizeof(mk), &mk, 0);
  return {sk.dwFlags, tk.dwFlags, fk.dwFlags, mk.dwFlags};
}
}  // namespace

TEST_F(SwitchingGame, AccessibilityShortcutsAreTheSameAfterAGame) {
  const AccessibilityFlags before = ReadAccessibilityFlags();
  {
    GameSession g(folder);
    ASSERT_TRUE(g.StartMusicItem(0));
    ASSERT_TRUE(g.LeaveWithExitWord());
  }
  EXPECT_TRUE(ReadAccessibilityFlags() == before);
}

#include "tests/e2e/soak.h"

TEST(KeyboardMashing, AGameSurvivesAToddlerAndStillLetsAnAdultLeave) {
  ProgramFolder folder;
  GameSession g(folder);
  ASSERT_TRUE(g.StartMusicItem(0));
  // Warm up once so that first-use allocations do not count as growth.
  MashKeyboard(g, 50, 0, 1);
  const SoakResult r = MashKeyboard(g, 600, 200, 12345);
  EXPECT_EQ(r.switches, 2);
  EXPECT_TRUE(::IsWindow(g.game));
  ASSERT_NE(g.Board(), nullptr);
  // Still responsive: a key reaches the board promptly.
  const long before = g.BoardKeyDowns();
  Focus(g.game);
  PressKey('K');
  EXPECT_TRUE(WaitUntil([&] { return g.BoardKeyDowns() > before; }, 3000));
  // Bounded: item switches and thousands of keys leave no growing pile.
  EXPECT_LE(r.after.threads, r.before.threads + 2);
  EXPECT_LE(r.after.kernelHandles, r.before.kernelHandles + 20);
  EXPECT_LE(r.after.gdiObjects, r.before.gdiObjects + 20);
  EXPECT_LE(r.after.userObjects, r.before.userObjects + 20);
  EXPECT_LE(r.after.privateBytes, r.before.privateBytes + 32u * 1024 * 1024);
  // And the exit sequence works afterwards.
  EXPECT_TRUE(g.LeaveWithExitWord());
}

TEST_F(SwitchingGame, ALauncherKilledDuringAGameHasWhatItChangedGivenBackAtTheNextStart) {
  {
    GameSession g(folder);
    ASSERT_TRUE(g.StartMusicItem(0));
    // On disk before the game switched anything off.
    ASSERT_TRUE(folder.Exists(L"restore.ini"));
    EXPECT_NE(folder.Read(L"restore.ini").find("StickyKeys="), std::string::npos);
    g.launcher.process.Kill();
  }
  EXPECT_TRUE(folder.Exists(L"restore.ini"));
  GameSession again(folder);
  ASSERT_TRUE(again.launcher.ok());
  EXPECT_FALSE(folder.Exists(L"restore.ini"));
  // A game that ends well leaves nothing behind.
  ASSERT_TRUE(again.StartMusicItem(0));
  EXPECT_TRUE(folder.Exists(L"restore.ini"));
  ASSERT_TRUE(again.LeaveWithExitWord());
  EXPECT_TRUE(WaitUntil([&] { return !folder.Exists(L"restore.ini"); }, 3000));
}
