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
  // The focus stays with the board, whose thread takes the keys.
  UseWindowClass(kClassName, WS_EX_NOACTIVATE | WS_EX_TOPMOST);
}

CBackdropWnd::~CBackdropWnd() { DestroyImageWindow(); }

bool CBackdropWnd::Start(std::function<void()> made) { return StartImageWindow(host_, std::move(made)); }

void CBackdropWnd::ShowHere(board_backgrounds::Pixels pixels) {
  pixels_ = std::move(pixels);
  HWND self = hwnd();
  // Right under the board. Where the display puts a window it shows on top
  // whatever the order says (Wine's X11), the board's restack that follows
  // takes the board and its pictures back above. The system's own order may
  // later lift the backdrop among the pictures there (Wine follows what the
  // display last uncovered); the pointer brings it back in line where it is,
  // so the mouse still finds what the screen shows.
  ::SetWindowPos(self, board_, 0, 0, screenWidth(), screenHeight(), SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::UpdateWindow(self);
  ::PostMessageW(board_, kShownMessage, reinterpret_cast<WPARAM>(self), 0);
}

bool CBackdropWnd::Show(const board_backgrounds::Pixels& pixels) {
  HWND h = hwnd();
  if (!h) return false;
  {
    std::lock_guard<std::mutex> lock(pendingLock_);
    pending_ = pixels;
  }
  return ::PostMessageW(h, kShowBackdropMessage, 0, 0) != FALSE;
}

LRESULT CBackdropWnd::OnShowBackdrop(WPARAM, LPARAM) {
  board_backgrounds::Pixels pixels;
  {
    std::lock_guard<std::mutex> lock(pendingLock_);
    pixels = std::move(pending_);
  }
  ShowHere(std::move(pixels));
  return 0;
}

const void* CBackdropWnd::OwnPicture(int width, int height) {
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

