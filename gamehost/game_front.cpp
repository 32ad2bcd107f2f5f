// The game window's hold on the screen: black covers over every other
// monitor, touch edge swipes off, and the foreground and topmost place taken
// back when another program takes them.
#include "gamehost/system/edge_gestures.h"
#include "gamehost/game_dialog.h"

namespace {
// Called through its own procedure, never through the dialog's timer handler.
constexpr UINT_PTR kGuardTimer = 0x4647;
}  // namespace

void CBackGroundDlg::HoldTheFront() {
  gamehost::DisableEdgeSwipes(hwnd_);
  covers_.Cover();
  ::SetTimer(hwnd_, kGuardTimer, gamehost::ForegroundGuard::kCheckIntervalMs, &CBackGroundDlg::OnGuardTimer);
}

void CBackGroundDlg::ReleaseTheFront() {
  ::KillTimer(hwnd_, kGuardTimer);
  covers_.Remove();
  gamehost::ClearEdgeSwipeRequest(hwnd_);
}

LRESULT CBackGroundDlg::OnDisplayChange(WPARAM, LPARAM) {
  // Monitors came or went: the game fills the primary one again and the
  // covers follow the new layout.
  ::SetWindowPos(hwnd_, nullptr, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  covers_.Cover();
  return 0;
}

void CALLBACK CBackGroundDlg::OnGuardTimer(HWND hwnd, UINT, UINT_PTR, DWORD) {
  auto* self = static_cast<CBackGroundDlg*>(fw::CWnd::FromHandle(hwnd));
  if (!self) return;
  self->guard_.Check(hwnd, self->board_, self->exitDialog_ != nullptr);
}

LRESULT CBackGroundDlg::OnWindowPosChanged(WPARAM wp, LPARAM lp) {
  const auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
  // Shown or raised, the game window brings its board along, but on some
  // systems (Wine) not the pictures the board owns: the board restacks them.
  if (board_ && !exitDialog_ && pos && (!(pos->flags & SWP_NOZORDER) || (pos->flags & SWP_SHOWWINDOW)))
    ::PostMessageW(board_, WM_PLAY_RESTACK, 0, 0);
  // What the dialog manager would do with it: WM_MOVE and WM_SIZE.
  return ::DefWindowProcW(hwnd_, WM_WINDOWPOSCHANGED, wp, lp);
}
