// KeyHush.dll: the library's entry point, its two exports and the hook
// procedures, which hand every call to the one KeyboardLock of this process.
#include <windows.h>

#include "keylock/keyboard_lock.h"
#include "contracts/keylock_exports.h"
#include "core/runtime_reserve.h"

namespace {

using bimbly::keylock::KeyboardLock;
using bimbly::keylock::SystemLockPlatform;

HINSTANCE g_module = nullptr;  // this library, kept from every entry-point call

LRESULT CALLBACK LowLevelKeyboardProc(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam);

// Each process that maps the library has its own copy; only the host's has a
// target window and hooks.
SystemLockPlatform g_platform;
KeyboardLock g_lock(g_platform, {&LowLevelKeyboardProc, &KeyboardProc});

// The watchdog's thread timer, on the thread that locked (the host's main
// thread, whose message loops dispatch it).
constexpr UINT kWatchIntervalMs = 1000;
UINT_PTR g_watchTimer = 0;
// How often the watchdog had to reinstall the hooks, on the game window, for
// whoever looks after the game.
constexpr wchar_t kReinstallsProperty[] = L"Bimbly.HookReinstalls";

LRESULT CALLBACK LowLevelKeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
  return g_lock.OnLowLevelHook(code, wParam, lParam);
}

LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
  return g_lock.OnKeyboardHook(code, wParam, lParam);
}

void CALLBACK WatchTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_lock.WatchHooks()) return;
  if (HWND target = g_lock.target())
    ::SetPropW(target, kReinstallsProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(g_lock.reinstalls())));
}

void StopWatching() {
  if (g_watchTimer) ::KillTimer(nullptr, g_watchTimer);
  g_watchTimer = 0;
  if (HWND target = g_lock.target()) ::RemovePropW(target, kReinstallsProperty);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  g_module = instance;
  if (reason == DLL_PROCESS_DETACH && !reserved) {
    // Freed while locked: no timer may call into the unmapped library.
    StopWatching();
    // Loaded and freed with every game.
    bimbly::GiveBackRuntimeReserve();
  }
  return TRUE;
}

int __cdecl InitializeKbd(HWND gameWindow) noexcept {
  const int locked = g_lock.Initialize(gameWindow, g_module);
  if (locked && !g_watchTimer) g_watchTimer = ::SetTimer(nullptr, 0, kWatchIntervalMs, &WatchTimerProc);
  return locked;
}

int __cdecl UnInitializeKbd() noexcept {
  StopWatching();
  return g_lock.UnInitialize();
}

}  // extern "C"

// The host looks the exports up by name and calls them through these types.
[[maybe_unused]] static constexpr InitializeKbdFn kInitializeKbdMatches = &InitializeKbd;
[[maybe_unused]] static constexpr UnInitializeKbdFn kUnInitializeKbdMatches = &UnInitializeKbd;
