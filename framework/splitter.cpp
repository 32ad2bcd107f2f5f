#include "framework/splitter.h"

#include <windowsx.h>

#include <algorithm>

namespace fw {
namespace {
constexpr wchar_t kSplitterClass[] = L"fw.Splitter";
}  // namespace

const MessageEntry CSplitterWnd::kMessageEntries[] = {
    fw::OnPaint<&CSplitterWnd::OnPaint>(),
    fw::OnSize<&CSplitterWnd::OnSize>(),
    fw::OnMessage<&CSplitterWnd::OnLButtonDown>(WM_LBUTTONDOWN),
    fw::OnMessage<&CSplitterWnd::OnMouseMove>(WM_MOUSEMOVE),
    fw::OnMessage<&CSplitterWnd::OnLButtonUp>(WM_LBUTTONUP),
    fw::OnMessage<&CSplitterWnd::OnSetCursor>(WM_SETCURSOR),
    // Commands from the panes travel on to the frame, as in a plain frame.
    fw::OnMessage<&CSplitterWnd::OnForwardToParent>(WM_COMMAND),
};
const MessageMap CSplitterWnd::kMessageMap = MakeMessageMap(&CWnd::kMessageMap, kMessageEntries);

CSplitterWnd::CSplitterWnd() = default;

bool CSplitterWnd::CreateStatic(HWND parent, int columns, UINT id) {
  if (columns < 1) return false;
  RegisterClass(kSplitterClass, CS_DBLCLKS, nullptr);
  firstId_ = id;
  panes_.resize(static_cast<size_t>(columns));
  widths_.assign(static_cast<size_t>(columns), 0);
  return CreateEx(0, kSplitterClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

bool CSplitterWnd::CreateView(int column, const PaneFactory& factory, SIZE initial) {
  if (column < 0 || column >= columns() || !factory) return false;
  auto pane = factory(hwnd_, firstId_ + static_cast<UINT>(column), initial);
  if (!pane || !pane->hwnd()) return false;
  widths_[static_cast<size_t>(column)] = initial.cx;
  panes_[static_cast<size_t>(column)] = std::move(pane);
  return true;
}

CWnd* CSplitterWnd::GetPane(int row, int column) const {
  if (row != 0 || column < 0 || column >= columns()) return nullptr;
  return panes_[static_cast<size_t>(column)].get();
}

void CSplitterWnd::RecalcLayout() {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const int n = columns();
  const int height = std::max(0, static_cast<int>(client.bottom) - 2 * gap_);
  int x = gap_;
  HDWP dwp = ::BeginDeferWindowPos(n);
  for (int i = 0; i < n; ++i) {
    int w = widths_[static_cast<size_t>(i)];
    if (i == n - 1) w = client.right - gap_ - x;  // the last column takes the rest
    w = std::max(0, w);
    const auto& pane = panes_[static_cast<size_t>(i)];
    if (pane && pane->hwnd() && dwp)
      dwp = ::DeferWindowPos(dwp, pane->hwnd(), nullptr, x, gap_, w, height, SWP_NOZORDER | SWP_NOACTIVATE);
    x += w + barWidth_;
  }
  if (dwp) ::EndDeferWindowPos(dwp);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

RECT CSplitterWnd::BarRect(int bar) const {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  int x = gap_;
  for (int i = 0; i <= bar && i < columns(); ++i) x += widths_[static_cast<size_t>(i)];
  x += bar * barWidth_;
  return RECT{x, 0, x + barWidth_, client.bottom};
}

int CSplitterWnd::BarAt(int x) const {
  for (int bar = 0; bar + 1 < columns(); ++bar) {
    const RECT r = BarRect(bar);
    if (x >= r.left && x < r.right) return bar;
  }
  return -1;
}

void CSplitterWnd::OnDrawSplitter(HDC dc, Element, const RECT& rect) {
  ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_3DFACE));
}

void CSplitterWnd::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(hwnd_, &ps);
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  // Everything not covered by a pane belongs to the bars and the border gaps.
  OnDrawSplitter(dc, Element::Border, client);
  for (int bar = 0; bar + 1 < columns(); ++bar) {
    RECT r = BarRect(bar);
    r.top = client.top;
    r.bottom = client.bottom;
    OnDrawSplitter(dc, Element::Bar, r);
  }
  ::EndPaint(hwnd_, &ps);
}

void CSplitterWnd::OnSize(UINT, int, int) { RecalcLayout(); }

LRESULT CSplitterWnd::OnLButtonDown(WPARAM, LPARAM lp) {
  const int x = GET_X_LPARAM(lp);
  dragging_ = BarAt(x);
  if (dragging_ >= 0) {
    dragOffset_ = x - BarRect(dragging_).left;
    ::SetCapture(hwnd_);
  }
  return 0;
}

LRESULT CSplitterWnd::OnMouseMove(WPARAM, LPARAM lp) {
  if (dragging_ < 0 || ::GetCapture() != hwnd_) return 0;
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const int x = GET_X_LPARAM(lp) - dragOffset_;
  int left = gap_;
  for (int i = 0; i < dragging_; ++i) left += widths_[static_cast<size_t>(i)] + barWidth_;
  const int maxWidth = std::max(0, static_cast<int>(client.right) - left - barWidth_ - gap_);
  widths_[static_cast<size_t>(dragging_)] = std::clamp(x - left, 0, maxWidth);
  RecalcLayout();
  return 0;
}

LRESULT CSplitterWnd::OnLButtonUp(WPARAM, LPARAM) {
  if (dragging_ >= 0) {
    dragging_ = -1;
    ::ReleaseCapture();
  }
  return 0;
}

LRESULT CSplitterWnd::OnSetCursor(WPARAM wp, LPARAM lp) {
  if (reinterpret_cast<HWND>(wp) == hwnd_ && LOWORD(lp) == HTCLIENT) {
    POINT pt{};
    ::GetCursorPos(&pt);
    ::ScreenToClient(hwnd_, &pt);
    if (BarAt(pt.x) >= 0) {
      ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
      return TRUE;
    }
  }
  return Default();
}

LRESULT CSplitterWnd::OnForwardToParent(WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (ReflectToChild(WM_COMMAND, wp, lp, result)) return result;
  return ::SendMessageW(::GetParent(hwnd_), WM_COMMAND, wp, lp);
}

}  // namespace fw
