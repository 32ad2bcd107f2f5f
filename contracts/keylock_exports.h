// The exports of the keyboard lock, KeyHush.dll, looked up by the game host
// by these undecorated names.
#pragma once

#include <windows.h>

// Installs the hooks for the game window; 1 on success, 0 when none holds.
using InitializeKbdFn = int(__cdecl*)(HWND gameWindow);
// Removes the hooks and restores what the lock changed.
using UnInitializeKbdFn = int(__cdecl*)();
inline constexpr char kInitializeKbdExport[] = "InitializeKbd";
inline constexpr char kUnInitializeKbdExport[] = "UnInitializeKbd";
