// The taskbar's auto-hide state, switched on for a game and taken away again
// afterwards, through the shell's application-bar messages. Everything goes
// through a small shell layer that tests replace.
#pragma once

#include <windows.h>

namespace gamehost {

class ITaskbarShell {
 public:
  virtual ~ITaskbarShell() = default;
  // The taskbar window ("Shell_TrayWnd"), or null when no shell runs.
  virtual HWND FindTaskbar() = 0;
  // ABM_GETSTATE: the state bits (ABS_AUTOHIDE, ABS_ALWAYSONTOP).
  virtual UINT GetState(HWND taskbar) = 0;
  // ABM_SETSTATE with the given state bits.
  virtual void SetState(HWND taskbar, UINT state) = 0;
};

// The shell of this session.
ITaskbarShell& SystemTaskbarShell();

// True only when the taskbar exists and has the auto-hide bit.
bool IsTaskbarAutoHide(ITaskbarShell& shell = SystemTaskbarShell());
// on: the state with the auto-hide bit set; off: the state with only that
// bit cleared (the one a game set), so that auto-hide switched off by hand
// during a game stays off and every other bit is kept. Nothing without a
// taskbar, and nothing sent when the bit is already as asked.
void SetTaskbarAutoHide(bool on, ITaskbarShell& shell = SystemTaskbarShell());

}  // namespace gamehost
