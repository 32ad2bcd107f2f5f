// The floor for the boards' CPU figures: the least a Win32 program does under
// this Wine to show what a card board shows. A full-screen opaque picture,
// painted from a copy drawn once, and above it the same number of layered
// windows of the same size, each on its own thread, moving sideways every
// 50 ms by a copy's resting step (3 pixels) without a redraw and turning at
// the edges, and showing a new frame at the picture's rate through
// UpdateLayeredWindow, from frames drawn once for all windows; over them the
// game's scrolling hint, when one is given.
// It prints "PHASE idle", "PHASE keys" and "PHASE end" as boards_bench.exe
// does (bench/boards/run.sh takes its CPU snapshots there, see bench_phase.h);
// it takes no keys, so its "keys" phase does the same as its idle one.
// Usage: floor_bench.exe [windows=10] [width=156] [height=146] [idle s=20]
//        [keys s=20] [frame ms=60] [picture file] [background file] [hint file]
// Without a picture, frames are a disc of changing shade; without a background,
// the windows move over the bare desktop.
//        floor_bench.exe latency [keys=500] [windows=10] [width] [height]
//        [frame ms] [picture file] [background file] [hint file]: the floor for key
//        latency instead. While the windows move, it sends itself keys and
//        times each from SendInput to WM_KEYDOWN in its own focused window,
//        the shortest way a key can take to a program under this Wine.
//        floor_bench.exe latency-apart ...: the same with the focused window
//        on a thread of its own, which repaints nothing.
//        floor_bench.exe latency-locked ...: the road a key takes in a game,
//        and nothing else on it: a low-level hook and a keyboard hook on the
//        focused window's thread, which swallow the key and post it to that
//        window, which posts it on to a window on a third thread, timed there.
#include <windows.h>

#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "bench/boards/bench_phase.h"

namespace {

constexpr UINT_PTR kMoveTimer = 1;
constexpr UINT_PTR kFrameTimer = 2;
constexpr UINT kMoveMs = 50;
constexpr int kStep = 3;  // a copy's speed once its start has decayed
constexpr int kDiscFrames = 4;

// One 32-bit top-down DIB selected into a memory DC.
struct Picture {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  std::uint32_t* bits = nullptr;

  bool Make(int w, int h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* p = nullptr;
    dc = ::CreateCompatibleDC(nullptr);
    bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
    if (!bitmap) return false;
    previous = ::SelectObject(dc, bitmap);
    bits = static_cast<std::uint32_t*>(p);
    return true;
  }
  void Free() {
    if (dc && previous) ::SelectObject(dc, previous);
    if (bitmap) ::DeleteObject(bitmap);
    if (dc) ::DeleteDC(dc);
    *this = {};
  }
};

using Pixels = std::vector<std::uint32_t>;

// Premultiplied frames of a disc whose shade changes from frame to frame.
std::vector<Pixels> DiscFrames(int w, int h) {
  std::vector<Pixels> frames(kDiscFrames, Pixels(static_cast<size_t>(w) * h));
  for (int f = 0; f < kDiscFrames; ++f)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int dx = x - w / 2, dy = y - h / 2;
        const bool in = dx * dx * h * h + dy * dy * w * w < (w * h / 2) * (w * h / 2);
        const std::uint32_t shade = static_cast<std::uint32_t>(64 + 48 * f);
        frames[f][static_cast<size_t>(y) * w + x] = in ? (0xFF000000u | shade << 16 | 0x40u << 8 | (255 - shade)) : 0;
      }
  return frames;
}

// Draws `image` stretched to w x h into premultiplied pixels, once.
Pixels DrawOnce(Gdiplus::Image& image, int w, int h) {
  Pixels px(static_cast<size_t>(w) * h, 0);
  Gdiplus::Bitmap canvas(w, h, w * 4, PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(px.data()));
  Gdiplus::Graphics g(&canvas);
  g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  g.DrawImage(&image, Gdiplus::Rect(0, 0, w, h), 0, 0, static_cast<INT>(image.GetWidth()),
              static_cast<INT>(image.GetHeight()), Gdiplus::UnitPixel);
  g.Flush(Gdiplus::FlushIntentionSync);
  return px;
}

// Every frame of an animated picture file, drawn once at w x h.
std::vector<Pixels> FileFrames(const wchar_t* path, int w, int h) {
  std::vector<Pixels> frames;
  Gdiplus::Image image(path);
  if (image.GetLastStatus() != Gdiplus::Ok) return frames;
  GUID time = Gdiplus::FrameDimensionTime;
  UINT count = image.GetFrameCount(&time);
  if (count == 0) count = 1;
  for (UINT i = 0; i < count; ++i) {
    image.SelectActiveFrame(&time, i);
    frames.push_back(DrawOnce(image, w, h));
  }
  return frames;
}

// When the focused window last took a key down, for the latency floor.
std::atomic<LONGLONG> g_keyDownAt{0};
std::atomic<WPARAM> g_keyDown{0};  // which key it was

// The locked road: the keyboard hook hands the key to the focused window,
// which hands it on to the window that plays.
constexpr UINT kHookedKey = WM_APP + 1;
std::atomic<HWND> g_player{nullptr};
HHOOK g_keyboardHook = nullptr;

LRESULT CALLBACK LowLevelHook(int code, WPARAM w, LPARAM l) { return ::CallNextHookEx(nullptr, code, w, l); }

LRESULT CALLBACK KeyboardHook(int code, WPARAM w, LPARAM l) {
  if (code != HC_ACTION) return ::CallNextHookEx(g_keyboardHook, code, w, l);
  if (!(l & 0x80000000)) ::PostMessageW(::GetFocus(), kHookedKey, w, l);
  return 1;
}

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == kHookedKey && h != g_player) {
    ::PostMessageW(g_player, kHookedKey, w, l);
    return 0;
  }
  if (m == WM_KEYDOWN || m == kHookedKey) {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    g_keyDown = w;
    g_keyDownAt = now.QuadPart;
    return 0;
  }
  if (m == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(h, m, w, l);
}

// The opaque picture under the windows: painted from its copy, as the system asks.
Picture g_background;
LRESULT CALLBACK BackgroundProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_ERASEBKGND) return 1;
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(h, &ps);
    const RECT& r = ps.rcPaint;
    ::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, g_background.dc, r.left, r.top, SRCCOPY);
    ::EndPaint(h, &ps);
    return 0;
  }
  return ::DefWindowProcW(h, m, w, l);
}

void RunWindow(int index, int w, int h, UINT frameMs, HWND owner, const std::vector<Pixels>& drawn,
               const std::atomic<bool>& stop) {
  // Each window's thread selects its own bitmaps; the pixels were drawn once for all.
  std::vector<Picture> frames(drawn.size());
  for (size_t f = 0; f < drawn.size(); ++f)
    if (frames[f].Make(w, h)) std::memcpy(frames[f].bits, drawn[f].data(), drawn[f].size() * 4);
  HWND hwnd = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"BimblyFloor", L"", WS_POPUP,
                                0, 0, w, h, owner, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
  int x = (index * 97) % (sw - w), y = (index * 61) % (sh - h), vx = index % 2 ? kStep : -kStep;
  size_t frame = 0;
  POINT at{x, y}, origin{0, 0};
  SIZE size{w, h};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::UpdateLayeredWindow(hwnd, nullptr, &at, &size, frames[0].dc, &origin, 0, &blend, ULW_ALPHA);
  ::ShowWindow(hwnd, SW_SHOWNA);
  ::SetTimer(hwnd, kMoveTimer, kMoveMs, nullptr);
  if (frames.size() > 1) ::SetTimer(hwnd, kFrameTimer, frameMs, nullptr);
  MSG msg;
  while (!stop && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.wParam == kMoveTimer) {
      x += vx;
      if (x < -w || x > sw) vx = -vx;
      ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    } else if (msg.message == WM_TIMER && msg.wParam == kFrameTimer) {
      frame = (frame + 1) % frames.size();
      // Only the picture changes; the window stays where it is.
      ::UpdateLayeredWindow(hwnd, nullptr, nullptr, &size, frames[frame].dc, &origin, 0, &blend, ULW_ALPHA);
    } else {
      ::DispatchMessageW(&msg);
    }
  }
  ::DestroyWindow(hwnd);
  for (Picture& p : frames) p.Free();
}

// The game's hint: one still layered picture scrolling left by the same step,
// entering again at the right edge.
void RunHint(const wchar_t* path, HWND owner, const std::atomic<bool>& stop) {
  Gdiplus::Image image(path);
  if (image.GetLastStatus() != Gdiplus::Ok) return;
  const int w = static_cast<int>(image.GetWidth()), h = static_cast<int>(image.GetHeight());
  Picture picture;
  if (!picture.Make(w, h)) return;
  Pixels px = DrawOnce(image, w, h);
  std::memcpy(picture.bits, px.data(), px.size() * 4);
  HWND hwnd = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"BimblyFloor", L"", WS_POPUP,
                                0, 0, w, h, owner, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
  int x = sw - 1;
  const int y = sh / 3;
  POINT at{x, y}, origin{0, 0};
  SIZE size{w, h};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::UpdateLayeredWindow(hwnd, nullptr, &at, &size, picture.dc, &origin, 0, &blend, ULW_ALPHA);
  ::ShowWindow(hwnd, SW_SHOWNA);
  ::SetTimer(hwnd, kMoveTimer, kMoveMs, nullptr);
  MSG msg;
  while (!stop && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.wParam == kMoveTimer) {
      x -= kStep;
      if (x + w < 0) x = sw - 1;
      ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    } else {
      ::DispatchMessageW(&msg);
    }
  }
  ::DestroyWindow(hwnd);
  picture.Free();
}

}  // namespace

// Waits at most 10 s for a window that another thread makes; a thread that
// could not make it ends the floor with a message instead of a hang.
HWND WaitForWindow(const std::atomic<HWND>& window) {
  const DWORD start = ::GetTickCount();
  while (!window && ::GetTickCount() - start < 10000) ::Sleep(1);
  if (!window) {
    std::fprintf(stderr, "floor: a key window was not made\n");
    std::fflush(stdout);
    ::ExitProcess(1);
  }
  return window;
}

// Sends `keys` keys, one at a time at a toddler's fast pace, each once the
// last one arrived, and prints how long each took to reach `target`.
void TimeKeys(int keys, HWND target, const std::atomic<bool>& stop) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  std::vector<double> ms;
  std::srand(4242);
  for (int i = 0; i < keys && !stop; ++i) {
    ::SetForegroundWindow(target);
    const LONGLONG before = g_keyDownAt;
    INPUT in[1]{};
    in[0].type = INPUT_KEYBOARD;
    in[0].ki.wVk = static_cast<WORD>('A' + i % 4);
    LARGE_INTEGER sent;
    ::QueryPerformanceCounter(&sent);
    ::SendInput(1, in, sizeof(INPUT));
    // A key of an earlier round that came late is not this one.
    const auto arrived = [&] { return g_keyDownAt != before && g_keyDown == in[0].ki.wVk; };
    const DWORD start = ::GetTickCount();
    while (!arrived() && ::GetTickCount() - start < 2000) ::Sleep(1);
    if (arrived())
      ms.push_back(1000.0 * static_cast<double>(g_keyDownAt - sent.QuadPart) / static_cast<double>(f.QuadPart));
    in[0].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(1, in, sizeof(INPUT));
    ::Sleep(40 + static_cast<DWORD>(std::rand() % 20));
  }
  std::sort(ms.begin(), ms.end());
  auto at = [&](double p) { return ms.empty() ? 0.0 : ms[std::min(ms.size() - 1, static_cast<size_t>(p * (ms.size() - 1) + 0.5))]; };
  std::printf("floor key latency over %zu keys: median %.2f ms, 99th percentile %.2f ms, max %.2f ms\n", ms.size(),
              at(0.5), at(0.99), at(1.0));
}

int wmain(int argc, wchar_t** argv) {
  // In latency mode the arguments after the key count are those of the CPU
  // floor without its phase lengths.
  const bool locked = argc > 1 && std::wcscmp(argv[1], L"latency-locked") == 0;
  const bool apart = locked || (argc > 1 && std::wcscmp(argv[1], L"latency-apart") == 0);
  const bool latency = apart || (argc > 1 && std::wcscmp(argv[1], L"latency") == 0);
  const int latencyKeys = latency ? (argc > 2 ? _wtoi(argv[2]) : 500) : 0;
  const int first = latency ? 3 : 1;
  auto arg = [&](int i, int fallback) { return argc > first + i ? _wtoi(argv[first + i]) : fallback; };
  auto text = [&](int i) -> const wchar_t* { return argc > first + i ? argv[first + i] : nullptr; };
  const int windows = arg(0, 10), w = arg(1, 156), h = arg(2, 146);
  const int idleS = latency ? 0 : arg(3, 20), keysS = latency ? 0 : arg(4, 20);
  const int more = latency ? 3 : 5;  // where frame ms and the files start
  const UINT frameMs = static_cast<UINT>(std::max(1, arg(more, 60)));
  const wchar_t* picture = text(more + 1);
  const wchar_t* background = text(more + 2);
  const wchar_t* hint = text(more + 3);
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 1;
  std::vector<Pixels> drawn = picture ? FileFrames(picture, w, h) : DiscFrames(w, h);
  if (drawn.empty()) {
    std::fprintf(stderr, "floor: cannot read %ls\n", picture);
    return 1;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = &Proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"BimblyFloor";
  ::RegisterClassW(&wc);
  HWND back = nullptr;
  const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
  if (background) {
    Gdiplus::Image image(background);
    if (image.GetLastStatus() != Gdiplus::Ok || !g_background.Make(sw, sh)) {
      std::fprintf(stderr, "floor: cannot read %ls\n", background);
      return 1;
    }
    Pixels px = DrawOnce(image, sw, sh);
    std::memcpy(g_background.bits, px.data(), px.size() * 4);
    WNDCLASSW bc{};
    bc.lpfnWndProc = &BackgroundProc;
    bc.hInstance = ::GetModuleHandleW(nullptr);
    bc.lpszClassName = L"BimblyFloorBack";
    ::RegisterClassW(&bc);
    back = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"BimblyFloorBack", L"", WS_POPUP, 0, 0, sw, sh, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
    ::ShowWindow(back, SW_SHOWNA);
  }
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < windows; ++i)
    threads.emplace_back([&, i] { RunWindow(i, w, h, frameMs, back, drawn, stop); });
  if (hint) threads.emplace_back([&] { RunHint(hint, back, stop); });
  // The main thread serves the background (its paints) while the phases pass.
  auto serve = [&](DWORD ms) {
    const DWORD start = ::GetTickCount();
    for (;;) {
      const DWORD gone = ::GetTickCount() - start;
      if (gone >= ms) return;
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - gone, QS_ALLINPUT);
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
  };
  serve(2000);
  if (latency) {
    // A focused window takes the keys: on the main thread, which also
    // repaints the background; or, apart, on a thread that paints nothing.
    const auto makeFocus = [] {
      HWND f = ::CreateWindowExW(0, L"BimblyFloor", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
      ::ShowWindow(f, SW_SHOW);
      return f;
    };
    std::atomic<bool> sent{false};
    std::atomic<HWND> focus{nullptr};
    std::thread keyThread, playerThread;
    const auto serveUntilSent = [&] {
      MSG msg;
      while (!sent) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
      }
    };
    if (locked) {
      playerThread = std::thread([&] {
        HWND player = ::CreateWindowExW(WS_EX_NOACTIVATE, L"BimblyFloor", L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                                        nullptr, ::GetModuleHandleW(nullptr), nullptr);
        g_player = player;
        serveUntilSent();
        ::DestroyWindow(player);
      });
      WaitForWindow(g_player);
    }
    if (apart) {
      keyThread = std::thread([&] {
        HHOOK lowLevel = nullptr;
        if (locked) {
          lowLevel = ::SetWindowsHookExW(WH_KEYBOARD_LL, &LowLevelHook, ::GetModuleHandleW(nullptr), 0);
          g_keyboardHook = ::SetWindowsHookExW(WH_KEYBOARD, &KeyboardHook, nullptr, ::GetCurrentThreadId());
        }
        focus = makeFocus();
        serveUntilSent();
        if (g_keyboardHook) ::UnhookWindowsHookEx(g_keyboardHook);
        if (lowLevel) ::UnhookWindowsHookEx(lowLevel);
        ::DestroyWindow(focus);
      });
      WaitForWindow(focus);
    } else {
      focus = makeFocus();
    }
    std::thread sender([&] {
      TimeKeys(latencyKeys, focus, stop);
      sent = true;
    });
    while (!sent) serve(50);
    sender.join();
    if (apart)
      keyThread.join();
    else
      ::DestroyWindow(focus);
    if (playerThread.joinable()) playerThread.join();
  } else {
    bench::Phase("idle", serve);
    serve(static_cast<DWORD>(idleS) * 1000);
    bench::Phase("keys", serve);
    serve(static_cast<DWORD>(keysS) * 1000);
    bench::Phase("end", serve);
  }
  stop = true;
  for (auto& t : threads) t.join();
  if (back) ::DestroyWindow(back);
  g_background.Free();
  Gdiplus::GdiplusShutdown(token);
  return 0;
}
