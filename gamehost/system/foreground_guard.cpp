#include "gamehost/system/foreground_guard.h"

namespace gamehost {

HWND SystemWindowLayer::Foreground() { return ::GetForegroundWindow(); }

bool SystemWindowLayer::IsOurs(HWND window) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  return process == ::GetCurrentProcessId();
}

bool SystemWindowLayer::OtherTopmostAbove(HWND game) {
  RECT gameRect{};
  if (!::GetWindowRect(game, &gameRect)) return false;
  // Down the z-order from the top until the first window of ours; the walk
  // is bounded by the number of windows above it.
  for (HWND w = ::GetTopWindow(nullptr); w && !IsOurs(w); w = ::GetWindow(w, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(w) || !(::GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST)) continue;
    // The taskbar sits in the band too; it is hidden during a game.
    wchar_t cls[32] = L"";
    ::GetClassNameW(w, cls, 32);
    if (lstrcmpW(cls, L"Shell_TrayWnd") == 0) continue;
    RECT r{}, overlap{};
    if (::GetWindowRect(w, &r) && ::IntersectRect(&overlap, &r, &gameRect)) return true;
  }
  return false;
}

void SystemWindowLayer::TakeFront(HWND game, HWND board) {
  ::SetWindowPos(game, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (board && board != game)
    ::SetWindowPos(board, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // The system lets only the program with the last input take the
  // foreground; joined to the input of the window that has it, we are that
  // program for the moment of the call.
  HWND current = ::GetForegroundWindow();
  const DWORD theirs = current ? ::GetWindowThreadProcessId(current, nullptr) : 0;
  const DWORD ours = ::GetCurrentThreadId();
  const bool attached = theirs && theirs != ours && ::AttachThreadInput(ours, theirs, TRUE);
  ::SetForegroundWindow(game);
  if (attached) ::AttachThreadInput(ours, theirs, FALSE);
}

std::uint32_t SystemWindowLayer::Now() { return ::GetTickCount(); }

bool ForegroundGuard::Check(HWND game, HWND board, bool exitDialogOpen) {
  // An adult at the exit dialog may want the other window.
  if (exitDialogOpen || !game) return false;
  HWND foreground = layer_.Foreground();
  // No foreground at all: a secure desktop (sign-in, elevation prompt) or a
  // switch in progress, nothing to take back from.
  if (!foreground) return false;
  const bool lostForeground = !layer_.IsOurs(foreground);
  if (!lostForeground && !layer_.OtherTopmostAbove(game)) return false;

  const std::uint32_t now = layer_.Now();
  if (takesInSpan_ == 0 || now - spanStart_ >= kSpanMs) {
    spanStart_ = now;
    takesInSpan_ = 0;
  }
  if (takesInSpan_ >= kMaxTakes) return false;  // it insists: leave it be for the rest of the span
  ++takesInSpan_;
  layer_.TakeFront(game, board);
  return true;
}

}  // namespace gamehost
