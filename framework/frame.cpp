#include "framework/frame.h"

#include <commctrl.h>

#include <algorithm>

namespace fw {
namespace {
constexpr wchar_t kFrameClass[] = L"fw.Frame";
}  // namespace

// ---------------------------------------------------------------- dialog bar

bool CDialogBar::Create(HWND frame, Dock dock, UINT id) {
  dock_ = dock;
  if (!CreateModeless(frame)) return false;
  ::SetWindowLongPtrW(hwnd_, GWLP_ID, static_cast<LONG_PTR>(id));
  RECT rc{};
  ::GetWindowRect(hwnd_, &rc);
  height_ = rc.bottom - rc.top;
  ::ShowWindow(hwnd_, SW_SHOW);
  return true;
}

bool CDialogBar::DispatchDialog(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_COMMAND && lParam != 0) {
    // The bar's own table and its controls first; everything else is the frame's command.
    if (DispatchToMap(message, wParam, lParam, result) || ReflectToChild(message, wParam, lParam, result))
      return true;
    result = ::SendMessageW(::GetParent(hwnd_), WM_COMMAND, wParam, lParam);
    return true;
  }
  return CDialog::DispatchDialog(message, wParam, lParam, result);
}

// ---------------------------------------------------------------- status bar

bool CStatusBar::Create(HWND frame, UINT id) {
  dock_ = Dock::Bottom;
  HWND h = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | CCS_BOTTOM, 0, 0, 0, 0, frame,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ThisModule(), nullptr);
  if (!h) return false;
  if (!SubclassControl(h)) {
    ::DestroyWindow(h);
    return false;
  }
  int right = -1;  // one pane that takes the whole bar
  ::SendMessageW(h, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&right));
  return true;
}

int CStatusBar::DesiredHeight() const {
  RECT rc{};
  ::GetWindowRect(hwnd_, &rc);
  return rc.bottom - rc.top;
}

void CStatusBar::SetText(const std::wstring& text) {
  ::SendMessageW(hwnd_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// ---------------------------------------------------------------- frame

bool CFrameWnd::Create(const wchar_t* title, DWORD style, HICON icon) {
  RegisterClass(kFrameClass, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1), icon);
  return CreateEx(0, kFrameClass, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                  nullptr, nullptr);
}

RECT CFrameWnd::ClientArea() const {
  RECT rc{};
  ::GetClientRect(hwnd_, &rc);
  for (const CControlBar* bar : bars_) {
    if (!bar->barWindow() || !::IsWindowVisible(bar->barWindow())) continue;
    const int h = bar->DesiredHeight();
    if (bar->dock() == Dock::Top)
      rc.top += h;
    else
      rc.bottom -= h;
  }
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  return rc;
}

void CFrameWnd::RecalcLayout() {
  RECT rc{};
  ::GetClientRect(hwnd_, &rc);
  for (CControlBar* bar : bars_) {
    HWND h = bar->barWindow();
    if (!h || !::IsWindowVisible(h)) continue;
    const int height = bar->DesiredHeight();
    if (bar->dock() == Dock::Top) {
      // The bar keeps its own width: a dialog bar's template fixes its layout.
      RECT br{};
      ::GetWindowRect(h, &br);
      ::SetWindowPos(h, nullptr, 0, rc.top, std::max<int>(rc.right, br.right - br.left), height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      rc.top += height;
    } else {
      // The status bar positions itself at the bottom when told of a size change.
      ::SendMessageW(h, WM_SIZE, 0, 0);
      rc.bottom -= height;
    }
  }
  if (client_) {
    ::SetWindowPos(client_, nullptr, rc.left, rc.top, rc.right - rc.left, std::max<LONG>(0, rc.bottom - rc.top),
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

LRESULT CFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      // The client comes first, the bars (created by the derived frame's own
      // creation handler) after it.
      if (!OnCreateClient(reinterpret_cast<CREATESTRUCTW*>(lParam))) return -1;
      LRESULT result = 0;
      if (DispatchToMap(message, wParam, lParam, result)) {
        if (result == 0) RecalcLayout();
        return result;
      }
      return 0;
    }
    case WM_SIZE: {
      LRESULT result = 0;
      DispatchToMap(message, wParam, lParam, result);
      RecalcLayout();
      return 0;
    }
    case WM_DESTROY: {
      LRESULT result = 0;
      DispatchToMap(message, wParam, lParam, result);
      // The frame is the program's main window: its end ends the message loop.
      ::PostQuitMessage(0);
      return 0;
    }
    default:
      return CWnd::WindowProc(message, wParam, lParam);
  }
}

}  // namespace fw
