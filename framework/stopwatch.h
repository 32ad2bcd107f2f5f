// Milliseconds between laps, from the performance counter: for the timing
// lines a program writes on the debug output.
#pragma once

#include <windows.h>

namespace fw {

class Stopwatch {
 public:
  Stopwatch() {
    ::QueryPerformanceFrequency(&frequency_);
    ::QueryPerformanceCounter(&last_);
  }
  // The time since the last lap (or the start), and a new lap begins.
  double Lap() {
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    const double ms =
        static_cast<double>(now.QuadPart - last_.QuadPart) * 1000.0 / static_cast<double>(frequency_.QuadPart);
    last_ = now;
    return ms;
  }

 private:
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER last_{};
};

// A performance-counter time (`at`, or now) kept on `window` as the property
// `name`, for a program that times this one from outside.
inline void StampTime(HWND window, const wchar_t* name, LONGLONG at) {
  ::SetPropW(window, name, reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(at)));
}
inline LONGLONG TimeNow() {
  LARGE_INTEGER now{};
  ::QueryPerformanceCounter(&now);
  return now.QuadPart;
}
inline void StampTime(HWND window, const wchar_t* name) { StampTime(window, name, TimeNow()); }

}  // namespace fw
