#include "modules/common/backdrop_wnd.h"

#include <utility>

namespace {
// Private message: show the backdrop with the pixels that Show left for it.
constexpr UINT kShowBackdropMessage = WM_APP + 0x3B1;
}  // namespace

const fw::MessageEntry CBackdropWnd::kMessageEntries[] = {
    fw::OnMessage<&CBackdropWnd::OnShowBackdrop>(kShowBackdropMessage),
    fw::OnMessage<&CBackdropWnd::OnMouseActivate>(WM_MOUSEACTIVATE),
    fw::OnMessage<&CBackdropWnd::OnRightButtonUp>(WM_RBUTTONUP),
};
const fw::MessageMap CBackdropWnd::kMessageMap = fw::MakeMessageMap(&CImageWnd::kMessageMap, kMessageEntries);

CBackdropWnd::CBackdropWnd(HWND host, HWND board) : host_(host), board_(board) {
  ServeSentMessagesWhileWaiting();
  // The keyboard stays with the game's window, which passes keys to the board.
  UseWindowClass(kClassName, WS_EX_NOACTIVATE | WS_EX_TOPMOST);
}

CBackdropWnd::~CBackdropWnd() { DestroyImageWindow(); }

bool CBackdropWnd::Start() { return StartImageWindow(host_, [this] { OnMade(); }); }

void CBackdropWnd::Show(board_backgrounds::Pixels pixels) {
  HWND h = nullptr;
  {
    std::lock_guard<std::mutex> lock(lock_);
    if (offered_) return;
    offered_ = true;
    pixels_ = std::move(pixels);
    if (made_) h = hwnd();
  }
  if (h) ::PostMessageW(h, kShowBackdropMessage, 0, 0);
}

void CBackdropWnd::OnMade() {
  {
    std::lock_guard<std::mutex> lock(lock_);
    made_ = true;
    if (!offered_) return;
  }
  ShowHere();
}

LRESULT CBackdropWnd::OnShowBackdrop(WPARAM, LPARAM) {
  ShowHere();
  return 0;
}

void CBackdropWnd::ShowHere() {
  HWND self = hwnd();
  // Right under the board. Where the display puts a window it shows on top
  // whatever the order says (Wine's X11), the board's restack that follows
  // takes the board and its pictures back above. The system's own order may
  // later lift the backdrop among the pictures there (Wine follows what the
  // display last uncovered); the pointer brings it back in line where it is,
  // so the mouse still finds what the screen shows.
  ::SetWindowPos(self, board_, 0, 0, screenWidth(), screenHeight(), SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::UpdateWindow(self);
  ::PostMessageW(board_, kShownMessage, 0, 0);
}

const void* CBackdropWnd::OwnPicture(int width, int height) {
  // Set once, before the window is shown: painting reads it without the lock.
  if (!pixels_ || pixels_->size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return nullptr;
  return pixels_->data();
}

LRESULT CBackdropWnd::OnMouseActivate(WPARAM, LPARAM) { return MA_NOACTIVATE; }

LRESULT CBackdropWnd::OnRightButtonUp(WPARAM wp, LPARAM lp) {
  // Both cover the screen from its origin: the point means the same to the board.
  ::PostMessageW(board_, WM_RBUTTONUP, wp, lp);
  return 0;
}
