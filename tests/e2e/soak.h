// A toddler at the keyboard: random key presses and releases at full speed,
// with an item switch every few hundred keys. Shared by the test suite (short
// form) and the benchmark (long form).
#pragma once

#include <windows.h>

#include "tests/e2e/game_session.h"

namespace e2e {

struct ProcessCounts {
  DWORD handles = 0;
  DWORD threads = 0;
  DWORD gdiObjects = 0;
  DWORD userObjects = 0;
  SIZE_T privateBytes = 0;  // also where a platform does not count handles
};
ProcessCounts CountsOf(const Process& process);

struct SoakResult {
  int keys = 0;
  int switches = 0;
  ProcessCounts before;
  ProcessCounts after;
};

// Mashes `keys` random keys (never Escape) into a running game, switching
// item every `switchEvery` keys. Waits for the game to settle afterwards.
SoakResult MashKeyboard(GameSession& game, int keys, int switchEvery, unsigned seed);

}  // namespace e2e
