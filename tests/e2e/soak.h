// A toddler at the keyboard: random key presses and releases at full speed,
// with an item switch every few hundred keys. Shared by the test suite (short
// form) and the benchmark (long form).
#pragma once

#include <windows.h>

#include "tests/e2e/game_session.h"
#include "tests/support/process_counts.h"

namespace e2e {


struct SoakResult {
  int keys = 0;
  int switches = 0;  // Page Downs after which a new board came
  int unanswered = 0;  // Page Downs after which none came within 10 s
  // For the last of those: which window had the foreground (the board, or
  // the game's window, through which keys normally come), the keys the old
  // board took in those 10 s, and whether a new board came in 10 s more.
  char lastUnanswered[160] = "";
  ProcessResourceCounts before;  // private bytes count also where a platform counts no handles
  ProcessResourceCounts after;
};

// Mashes `keys` random keys (never Escape) into a running game, switching
// item every `switchEvery` keys (to a random neighbour, or always to the next
// item with `forward`, which walks the whole catalog). Waits for the game to
// settle afterwards.
SoakResult MashKeyboard(GameSession& game, int keys, int switchEvery, unsigned seed, bool forward = false);

// Who has the foreground now, said for a soak's account: "the board", "the
// game's window" (through which keys normally come) or "another window".
const char* ForegroundHolder(const GameSession& game, HWND board);

}  // namespace e2e
