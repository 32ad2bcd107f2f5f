// Launcher start-up to its first painted frame (the fade-in starts on the
// first paint, so the frame's alpha leaves 0 then). The first start after the
// Wine server comes up is the cold one; the rest are warm.
// Usage: startup_bench.exe [warm starts=5]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tests/e2e/driver.h"

using namespace e2e;

namespace {
double MsSince(const LARGE_INTEGER& t0) {
  LARGE_INTEGER f, t1;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&t1);
  return 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(f.QuadPart);
}

double TimeOneStart(const ProgramFolder& folder) {
  LARGE_INTEGER t0;
  ::QueryPerformanceCounter(&t0);
  Process p = Process::Start(folder.File(L"Tobble.exe"));
  HWND frame = nullptr;
  double ms = -1;
  WaitUntil(
      [&] {
        if (!frame) frame = WaitForTopLevelWindow(p.id(), L"fw.Frame", 1);
        BYTE alpha = 0;
        DWORD flags = 0;
        COLORREF key;
        if (frame && ::GetLayeredWindowAttributes(frame, &key, &alpha, &flags) && alpha > 0) {
          ms = MsSince(t0);
          return true;
        }
        return false;
      },
      30000);
  ::PostMessageW(frame, WM_CLOSE, 0, 0);
  if (!p.WaitForExit(10000)) p.Kill();
  WaitUntil([] { return !MutexExists(L"TobbleBabyMain"); }, 10000);
  return ms;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int warm = argc > 1 ? _wtoi(argv[1]) : 5;
  ProgramFolder folder;
  folder.Write(L"config.ini", "[Update]\r\nMode=manu\r\n");
  const double cold = TimeOneStart(folder);
  std::vector<double> times;
  for (int i = 0; i < warm; ++i) times.push_back(TimeOneStart(folder));
  std::sort(times.begin(), times.end());
  std::printf("cold start to first painted frame: %.0f ms\n", cold);
  if (!times.empty())
    std::printf("warm start to first painted frame: median %.0f ms (min %.0f, max %.0f, %d starts)\n",
                times[times.size() / 2], times.front(), times.back(), warm);
  return 0;
}
