// Finding, closing and stopping other programs by the path of their executable.
#pragma once

#include <windows.h>

#include <string>

#include "framework/handles.h"

inline constexpr DWORD kNoProcess = static_cast<DWORD>(-1);

// Identifier of the first process (other than 0) whose main module is `exePath`
// (ignoring case); kNoProcess when none; 0 when the process list cannot be taken.
DWORD FindProcessByPath(const std::wstring& exePath);
bool ProcessExists(DWORD pid);
// Posts WM_CLOSE to the first titled top-level window of the process, then
// checks up to `checks` times, 1 s apart, whether it has ended.
bool CloseProcessWindows(DWORD pid, int checks);
bool WaitForProcessEnd(DWORD pid, int seconds = 60);
bool TerminateProcessById(DWORD pid);
bool EnableDebugPrivilege();

// Starts a program as the shell would ("open", shown normally); true when started.
bool OpenProgram(const std::wstring& path, const wchar_t* parameters);

// True when the program was started with exactly the one parameter "background".
bool IsBackgroundCommandLine();
