#include "gamehost/system/covers.h"

#include "framework/window.h"
#include "gamehost/system/edge_gestures.h"

namespace gamehost {

namespace {

constexpr wchar_t kCoverClass[] = L"BimblyMonitorCover";

LRESULT CALLBACK CoverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEACTIVATE:
      // A click lands here and nowhere else, and the game keeps the keyboard.
      return MA_NOACTIVATE;
    case WM_CLOSE:
      return 0;  // only the game removes its covers
    default:
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

bool RegisterCoverClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (::GetClassInfoExW(instance, kCoverClass, &wc)) return true;
  wc.lpfnWndProc = &CoverProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kCoverClass;
  return ::RegisterClassExW(&wc) != 0;
}

BOOL CALLBACK AddSecondaryMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM rects) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (::GetMonitorInfoW(monitor, &info) && !(info.dwFlags & MONITORINFOF_PRIMARY))
    reinterpret_cast<std::vector<RECT>*>(rects)->push_back(info.rcMonitor);
  return TRUE;
}

}  // namespace

std::vector<RECT> SecondaryMonitorRects() {
  std::vector<RECT> rects;
  ::EnumDisplayMonitors(nullptr, nullptr, &AddSecondaryMonitor, reinterpret_cast<LPARAM>(&rects));
  return rects;
}

RECT PrimaryMonitorRect() {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info))
    return RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  return info.rcMonitor;
}

void CoverWindows::Cover() {
  Remove();
  HINSTANCE instance = fw::ThisModule();
  if (!RegisterCoverClass(instance)) return;
  const RECT primary = PrimaryMonitorRect();
  for (const RECT& r : SecondaryMonitorRects()) {
    // A cover never hides the game. Monitors overlap only in odd set-ups
    // (virtual displays that all start at the origin); there the cover takes
    // what the primary monitor leaves, and nothing when it leaves nothing.
    fw::UniqueRegion shape(::CreateRectRgn(0, 0, r.right - r.left, r.bottom - r.top));
    fw::UniqueRegion hidden(::CreateRectRgn(primary.left - r.left, primary.top - r.top, primary.right - r.left,
                                            primary.bottom - r.top));
    if (!shape || !hidden || ::CombineRgn(shape.get(), shape.get(), hidden.get(), RGN_DIFF) == NULLREGION) continue;
    // Not owned by the game window: an owned pop-up would count as one of
    // the game's own windows (its board), and it needs no owner to stay on top.
    HWND cover = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kCoverClass, L"",
                                   WS_POPUP, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                                   instance, nullptr);
    if (!cover) continue;
    // The window owns its shape from here on.
    if (::SetWindowRgn(cover, shape.get(), FALSE)) shape.release();
    DisableEdgeSwipes(cover);
    ::ShowWindow(cover, SW_SHOWNOACTIVATE);
    windows_.emplace_back(cover);
  }
}

void CoverWindows::Remove() {
  for (fw::UniqueWindow& w : windows_) ClearEdgeSwipeRequest(w.get());
  windows_.clear();
}

}  // namespace gamehost
