#include "modules/common/backdrop_wnd.h"

#include <utility>
#include <vector>

#include "contracts/module_contract.h"

namespace {
// Private message: show the backdrop with the pixels that lParam points to.
constexpr UINT kShowBackdropMessage = WM_APP + 0x3B1;
}  // namespace

const fw::MessageEntry CBackdropWnd::kMessageEntries[] = {
    fw::OnMessage<&CBackdropWnd::OnShowBackdrop>(kShowBackdropMessage),
    fw::OnMessage<&CBackdropWnd::OnMouseActivate>(WM_MOUSEACTIVATE),
    fw::OnMessage<&CBackdropWnd::OnRightButtonUp>(WM_RBUTTONUP),
};
const fw::MessageMap CBackdropWnd::kMessageMap = fw::MakeMessageMap(&CImageWnd::kMessageMap, kMessageEntries);

CBackdropWnd::CBackdropWnd(HWND board) : board_(board) {
  ServeSentMessagesWhileWaiting();
  // The focus stays with the board, whose thread takes the keys.
  UseWindowClass(kClassName, WS_EX_NOACTIVATE);
}

CBackdropWnd::~CBackdropWnd() { DestroyImageWindow(); }

bool CBackdropWnd::IsBackdrop(HWND window) {
  wchar_t name[32] = L"";
  return ::GetClassNameW(window, name, 32) > 0 && lstrcmpW(name, kClassName) == 0;
}

void CBackdropWnd::ShowHere(board_backgrounds::Pixels pixels) {
  pixels_ = std::move(pixels);
  HWND self = hwnd();
  ::SetWindowPos(self, nullptr, 0, 0, screenWidth(), screenHeight(), SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  // What the board shows already goes back on top, where the display raised
  // the backdrop over it (Wine's X11 puts a window it shows on top); what it
  // shows later is looked after by the tick.
  LiftOwnedWindows(false);
  WakeTimer();
}

bool CBackdropWnd::Show(const board_backgrounds::Pixels& pixels, DWORD ms) {
  HWND h = hwnd();
  DWORD_PTR done = 0;
  return h && ::SendMessageTimeoutW(h, kShowBackdropMessage, 0, reinterpret_cast<LPARAM>(&pixels), SMTO_NORMAL, ms,
                                    &done) &&
         done == 1;
}

LRESULT CBackdropWnd::OnShowBackdrop(WPARAM, LPARAM lp) {
  const auto* pixels = reinterpret_cast<const board_backgrounds::Pixels*>(lp);
  ShowHere(pixels ? *pixels : nullptr);
  return 1;
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

void CBackdropWnd::OnTick(DWORD, bool*) { LiftOwnedWindows(true); }

DWORD CBackdropWnd::NextTickDelay(DWORD) { return ::IsWindowVisible(hwnd()) ? kLiftCheckMs : kNothingDue; }

void CBackdropWnd::LiftOwnedWindows(bool belowOnly) {
  HWND self = hwnd();
  if (!self || !::IsWindowVisible(self)) return;
  std::vector<HWND> lifted;  // top first
  bool below = belowOnly;
  for (HWND w = belowOnly ? ::GetWindow(self, GW_HWNDNEXT) : ::GetTopWindow(nullptr); w && w != board_;
       w = ::GetWindow(w, GW_HWNDNEXT)) {
    if (w == self)
      below = true;
    else if ((below || !belowOnly) && ::IsWindowVisible(w) && ::GetWindow(w, GW_OWNER) == board_)
      lifted.push_back(w);
  }
  // Bottom up, each to the very top, without waiting for its thread.
  for (auto it = lifted.rbegin(); it != lifted.rend(); ++it)
    ::SetWindowPos(*it, HWND_TOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_ASYNCWINDOWPOS);
}
