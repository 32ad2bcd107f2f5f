#include "tests/e2e/soak.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <vector>

namespace e2e {

ProcessCounts CountsOf(const Process& process) {
  ProcessCounts c;
  ::GetProcessHandleCount(process.handle(), &c.handles);
  c.gdiObjects = ::GetGuiResources(process.handle(), GR_GDIOBJECTS);
  c.userObjects = ::GetGuiResources(process.handle(), GR_USEROBJECTS);
  PROCESS_MEMORY_COUNTERS mem{};
  mem.cb = sizeof(mem);
  if (::GetProcessMemoryInfo(process.handle(), &mem, sizeof(mem))) c.privateBytes = mem.PagefileUsage;
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap != INVALID_HANDLE_VALUE) {
    THREADENTRY32 te{};
    te.dwSize = sizeof(te);
    for (BOOL ok = ::Thread32First(snap, &te); ok; ok = ::Thread32Next(snap, &te))
      if (te.th32OwnerProcessID == process.id()) ++c.threads;
    ::CloseHandle(snap);
  }
  return c;
}

SoakResult MashKeyboard(GameSession& game, int keys, int switchEvery, unsigned seed) {
  // What small hands reach: letters, digits, space, Enter, arrows, modifiers,
  // function keys. Escape stays out (it opens the exit dialog by design).
  std::vector<WORD> pool;
  for (WORD k = 'A'; k <= 'Z'; ++k) pool.push_back(k);
  for (WORD k = '0'; k <= '9'; ++k) pool.push_back(k);
  for (WORD k : {VK_SPACE, VK_RETURN, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_SHIFT, VK_CONTROL, VK_MENU, VK_TAB,
                 VK_BACK, VK_F2, VK_F5, VK_F11, VK_OEM_PERIOD, VK_OEM_COMMA})
    pool.push_back(k);

  SoakResult r;
  r.before = CountsOf(game.launcher.process);
  Focus(game.game);
  unsigned state = seed;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (int i = 0; i < keys; ++i) {
    if (switchEvery > 0 && i > 0 && i % switchEvery == 0) {
      HWND old = game.Board();
      PressKey((next() & 1) ? VK_NEXT : VK_PRIOR, true);
      game.WaitForNewBoard(old, 10000);
      ++r.switches;
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
  r.after = CountsOf(game.launcher.process);
  return r;
}

}  // namespace e2e
