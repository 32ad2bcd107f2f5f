// A launcher with a game started from it.
#pragma once

#include "tests/e2e/launcher_session.h"

namespace e2e {

class GameSession {
 public:
  explicit GameSession(const ProgramFolder& folder) : launcher(folder) {}
  ~GameSession();

  // Selects the music category and double-clicks entry `index` of it; waits
  // for the game window and its board.
  bool StartMusicItem(int index) { return StartItem(kMusicCategory, index); }
  // Selects a category and double-clicks entry `index` of its list.
  bool StartItem(const std::wstring& category, int index);
  // Waits for a board other than `old` (after a switch).
  HWND WaitForNewBoard(HWND old, DWORD timeoutMs) const;
  // The current board window (the game window's topmost owned pop-up), or null.
  HWND Board() const;
  // Key-downs that reached the current board's OnBoardKeyDown, and the last key.
  long BoardKeyDowns() const;
  UINT BoardLastKey() const;
  // The exit dialog, when open.
  HWND ExitDialog() const;
  bool WaitForGameEnd(DWORD timeoutMs);
  // Escape, "exit", Enter, as an adult leaves; true when the game ended.
  bool LeaveWithExitWord();

  LauncherSession launcher;
  HWND game = nullptr;
};

}  // namespace e2e

namespace e2e {

// Catalog row of the item a board plays, read from the module it comes from
// and its item index; -1 when unknown.
int BoardItemIndex(HWND board);
// True when the process has the named library loaded.
bool ProcessHasModule(DWORD processId, const std::wstring& fileName);

}  // namespace e2e
