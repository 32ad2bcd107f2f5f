#include "tests/e2e/soak.h"

#include <cstdio>
#include <vector>

namespace e2e {

SoakResult MashKeyboard(GameSession& game, int keys, int switchEvery, unsigned seed, bool forward) {
  // What small hands reach: letters, digits, space, Enter, arrows, modifiers,
  // function keys. Escape stays out (it opens the exit dialog by design).
  std::vector<WORD> pool;
  for (WORD k = 'A'; k <= 'Z'; ++k) pool.push_back(k);
  for (WORD k = '0'; k <= '9'; ++k) pool.push_back(k);
  for (WORD k : {VK_SPACE, VK_RETURN, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_SHIFT, VK_CONTROL, VK_MENU, VK_TAB,
                 VK_BACK, VK_F2, VK_F5, VK_F11, VK_OEM_PERIOD, VK_OEM_COMMA})
    pool.push_back(k);

  SoakResult r;
  r.before = ProcessResourceCounts::Of(game.launcher.process.handle(), game.launcher.process.id());
  Focus(game.game);
  unsigned state = seed;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (int i = 0; i < keys; ++i) {
    if (switchEvery > 0 && i > 0 && i % switchEvery == 0) {
      HWND old = game.Board();
      const long keysBefore = game.BoardKeyDowns();
      PressKey((forward || (next() & 1)) ? VK_NEXT : VK_PRIOR, true);
      if (game.WaitForNewBoard(old, 10000)) {
        ++r.switches;
        continue;
      }
      ++r.unanswered;
      const char* front = ForegroundHolder(game, old);
      const long taken = game.BoardKeyDowns() - keysBefore;
      const bool cameLater = game.WaitForNewBoard(old, 10000) != nullptr;
      std::snprintf(r.lastUnanswered, sizeof(r.lastUnanswered),
                    "the foreground with %s, the old board took %ld keys meanwhile, a new board %s", front, taken,
                    cameLater ? "came within 10 s more" : "did not come in 10 s more");
      continue;
    }
    const WORD vk = pool[next() % pool.size()];
    // Sometimes two keys overlap, as when a palm lands on the keyboard.
    KeyDown(vk);
    if ((next() & 7) == 0) {
      const WORD other = pool[next() % pool.size()];
      KeyDown(other);
      KeyUp(other);
    }
    KeyUp(vk);
    ++r.keys;
  }
  // Let the queues drain before counting again.
  ::Sleep(1500);
  r.after = ProcessResourceCounts::Of(game.launcher.process.handle(), game.launcher.process.id());
  return r;
}

const char* ForegroundHolder(const GameSession& game, HWND board) {
  HWND front = ::GetForegroundWindow();
  return front == board ? "the board" : front == game.game ? "the game's window" : "another window";
}

}  // namespace e2e
