// KeyHush.dll: the library's entry point, its two exports and the hook
// procedures, which hand every call to the one KeyboardLock of this process.
#include <windows.h>

#include "keylock/keyboard_lock.h"
#include "contracts/keylock_exports.h"

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

LRESULT CALLBACK LowLevelKeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
  return g_lock.OnLowLevelHook(code, wParam, lParam);
}

LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
  return g_lock.OnKeyboardHook(code, wParam, lParam);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
  g_module = instance;
  return TRUE;
}

int __cdecl InitializeKbd(HWND gameWindow) noexcept { return g_lock.Initialize(gameWindow, g_module); }

int __cdecl UnInitializeKbd() noexcept { return g_lock.UnInitialize(); }

}  // extern "C"

// The host looks the exports up by name and calls them through these types.
[[maybe_unused]] static constexpr InitializeKbdFn kInitializeKbdMatches = &InitializeKbd;
[[maybe_unused]] static constexpr UnInitializeKbdFn kUnInitializeKbdMatches = &UnInitializeKbd;
