// The floor for the boards' CPU figures: the least a Win32 program does under
// this Wine to show the same number of layered windows of the same size,
// each on its own thread, moving every 50 ms without a redraw and showing a
// new frame every 60 ms through UpdateLayeredWindow, with frames drawn once.
// It prints "PHASE idle", "PHASE keys" and "PHASE end" as boards_bench.exe
// does (bench/boards/run.sh takes its CPU snapshots there); it takes no keys,
// so its "keys" phase is the same as its idle one.
// Usage: floor_bench.exe [windows=10] [width=156] [height=146] [idle s=20] [keys s=20]
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

constexpr UINT_PTR kMoveTimer = 1;
constexpr UINT_PTR kFrameTimer = 2;
constexpr UINT kMoveMs = 50;
constexpr UINT kFrameMs = 60;
constexpr int kFrames = 4;

struct Picture {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
};

// kFrames premultiplied frames: a disc whose shade changes from frame to frame.
std::vector<Picture> DrawFrames(int w, int h) {
  std::vector<Picture> frames(kFrames);
  for (int f = 0; f < kFrames; ++f) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    frames[f].dc = ::CreateCompatibleDC(nullptr);
    frames[f].bitmap = ::CreateDIBSection(frames[f].dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    frames[f].previous = ::SelectObject(frames[f].dc, frames[f].bitmap);
    auto* px = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int dx = x - w / 2, dy = y - h / 2;
        const bool in = dx * dx * h * h + dy * dy * w * w < (w * h / 2) * (w * h / 2);
        const std::uint32_t shade = static_cast<std::uint32_t>(64 + 48 * f);
        px[y * w + x] = in ? (0xFF000000u | shade << 16 | 0x40u << 8 | (255 - shade)) : 0;
      }
  }
  return frames;
}

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(h, m, w, l);
}

void RunWindow(int index, int w, int h, const std::atomic<bool>& stop) {
  std::vector<Picture> frames = DrawFrames(w, h);
  HWND hwnd = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"BimblyFloor", L"", WS_POPUP,
                                0, 0, w, h, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
  int x = (index * 97) % (sw - w), y = (index * 61) % (sh - h), vx = 5 + index % 7, vy = 3 + index % 5, frame = 0;
  POINT at{x, y}, origin{0, 0};
  SIZE size{w, h};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::UpdateLayeredWindow(hwnd, nullptr, &at, &size, frames[0].dc, &origin, 0, &blend, ULW_ALPHA);
  ::ShowWindow(hwnd, SW_SHOWNA);
  ::SetTimer(hwnd, kMoveTimer, kMoveMs, nullptr);
  ::SetTimer(hwnd, kFrameTimer, kFrameMs, nullptr);
  MSG msg;
  while (!stop && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.wParam == kMoveTimer) {
      x += vx;
      y += vy;
      if (x < 0 || x > sw - w) vx = -vx;
      if (y < 0 || y > sh - h) vy = -vy;
      ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    } else if (msg.message == WM_TIMER && msg.wParam == kFrameTimer) {
      frame = (frame + 1) % kFrames;
      // Only the picture changes; the window stays where it is.
      ::UpdateLayeredWindow(hwnd, nullptr, nullptr, &size, frames[frame].dc, &origin, 0, &blend, ULW_ALPHA);
    } else {
      ::DispatchMessageW(&msg);
    }
  }
  ::DestroyWindow(hwnd);
  for (Picture& p : frames) {
    ::SelectObject(p.dc, p.previous);
    ::DeleteObject(p.bitmap);
    ::DeleteDC(p.dc);
  }
}

void Phase(const char* name) {
  std::printf("PHASE %s\n", name);
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  auto arg = [&](int i, int fallback) { return argc > i ? _wtoi(argv[i]) : fallback; };
  const int windows = arg(1, 10), w = arg(2, 156), h = arg(3, 146), idleS = arg(4, 20), keysS = arg(5, 20);
  WNDCLASSW wc{};
  wc.lpfnWndProc = &Proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"BimblyFloor";
  ::RegisterClassW(&wc);
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < windows; ++i) threads.emplace_back([&, i] { RunWindow(i, w, h, stop); });
  ::Sleep(2000);
  Phase("idle");
  ::Sleep(static_cast<DWORD>(idleS) * 1000);
  Phase("keys");
  ::Sleep(static_cast<DWORD>(keysS) * 1000);
  Phase("end");
  stop = true;
  for (auto& t : threads) t.join();
  return 0;
}
