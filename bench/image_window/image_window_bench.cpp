// Measures of the image window: loading a 60-frame GIF (time and memory),
// CPU use of 20 idle windows, and handle counts around 1000 create/destroy
// cycles. Prints one "name: value" line per figure to standard output.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "framework/gdiplus_session.h"
#include "toolkit/image_wnd.h"
#include "tests/support/process_counts.h"
#include "tests/support/pump.h"

namespace {

HINSTANCE Self() { return ::GetModuleHandleW(nullptr); }

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double PrivateMb() { return static_cast<double>(ProcessResourceCounts::Take().privateBytes) / 1048576.0; }

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto seconds = [](const FILETIME& f) {
    return static_cast<double>((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

void Pump(double seconds) { PumpFor(static_cast<DWORD>(seconds * 1000)); }

void Print(const char* name, double value, const char* unit) {
  std::printf("%-44s %10.2f %s\n", name, value, unit);
  std::fflush(stdout);
}

void MeasureGifLoad() {
  std::vector<double> times;
  for (int i = 0; i < 10; ++i) {
    CImageWnd w;
    const double t0 = Now();
    if (!w.LoadImageResource(L"ANIM60", Self())) {
      std::printf("ANIM60 failed to load\n");
      return;
    }
    times.push_back(Now() - t0);
  }
  std::sort(times.begin(), times.end());
  Print("gif60 load time, median of 10", times[times.size() / 2] * 1000.0, "ms");
  Print("gif60 load time, slowest of 10", times.back() * 1000.0, "ms");

  const double base = PrivateMb();
  auto w = std::make_unique<CImageWnd>();
  w->LoadImageResource(L"ANIM60", Self());
  const double loaded = PrivateMb();
  Print("gif60 memory after load", loaded - base, "MB");
  w->CreateImageWindow(nullptr);
  ::ShowWindow(w->hwnd(), SW_SHOWNOACTIVATE);
  // One full cycle (60 x 40 ms) so that every frame has been drawn once.
  Pump(2.8);
  Print("gif60 memory after every frame was drawn", PrivateMb() - base, "MB");
  Print("gif60 frames kept", w->frameCount(), "");
  w.reset();
  Print("gif60 memory left after destruction", PrivateMb() - base, "MB");
}

void MeasureIdleCpu() {
  const double seconds = 5.0;
  double c0 = CpuSeconds();
  double t0 = Now();
  Pump(seconds);
  const double baseline = (CpuSeconds() - c0) / (Now() - t0) * 100.0;
  Print("cpu with no image windows (pumping only)", baseline, "% of one core");

  std::vector<std::unique_ptr<CImageWnd>> windows;
  for (int i = 0; i < 20; ++i) {
    auto w = std::make_unique<CImageWnd>();
    w->LoadImageResource(L"STILL", Self());
    if (!w->CreateImageWindow(nullptr)) continue;
    ::SetWindowPos(w->hwnd(), nullptr, 40 * i, 100, 64, 64, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    windows.push_back(std::move(w));
  }
  Pump(0.5);
  c0 = CpuSeconds();
  t0 = Now();
  Pump(seconds);
  Print("cpu with 20 idle image windows", (CpuSeconds() - c0) / (Now() - t0) * 100.0, "% of one core");
  Print("idle windows running", static_cast<double>(windows.size()), "");
}

void MeasureCreateDestroy() {
  const auto cycle = [] {
    CImageWnd w;
    w.LoadImageResource(L"STILL", Self());
    if (w.CreateImageWindow(nullptr)) {
      ::ShowWindow(w.hwnd(), SW_SHOWNOACTIVATE);
      ::UpdateWindow(w.hwnd());
    }
  };
  for (int i = 0; i < 20; ++i) cycle();
  const ProcessResourceCounts before = ProcessResourceCounts::Take();
  const double mem0 = PrivateMb();
  const double t0 = Now();
  for (int i = 0; i < 1000; ++i) cycle();
  const double took = Now() - t0;
  const ProcessResourceCounts after = ProcessResourceCounts::Take();
  Print("create+destroy cycle time, mean of 1000", took, "ms");
  Print("GDI objects before 1000 cycles (0: not reported)", before.gdiObjects, "");
  Print("GDI objects after", after.gdiObjects, "");
  Print("USER objects before (0: not reported)", before.userObjects, "");
  Print("USER objects after", after.userObjects, "");
  Print("kernel handles before", before.kernelHandles, "");
  Print("kernel handles after", after.kernelHandles, "");
  Print("windows of the process before", before.windows, "");
  Print("windows of the process after", after.windows, "");
  Print("private memory growth over 1000 cycles", PrivateMb() - mem0, "MB");
}

}  // namespace

int main() {
  fw::GdiplusSession gdiplus;
  if (!gdiplus.ok()) return 1;
  MeasureGifLoad();
  MeasureIdleCpu();
  MeasureCreateDestroy();
  return 0;
}
