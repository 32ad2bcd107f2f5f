// Serving this thread's window messages while a test waits: windows on other
// threads may send to windows of this one, and a wait that does not serve
// them stalls both.
#pragma once

#include <windows.h>

#include <functional>

// Sees each message before it is dispatched.
using MessageWatch = std::function<void(const MSG&)>;

// Serves messages until `done` holds (true) or `timeoutMs` passes (false).
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, const MessageWatch& watch = nullptr);

// Serves messages for `ms`.
void PumpFor(DWORD ms, const MessageWatch& watch = nullptr);
