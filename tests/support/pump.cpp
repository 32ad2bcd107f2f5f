#include "tests/support/pump.h"

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, const MessageWatch& watch) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (watch) watch(msg);
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (::GetTickCount64() >= end) return false;
    ::Sleep(5);
  }
}

void PumpFor(DWORD ms, const MessageWatch& watch) {
  PumpUntil([] { return false; }, ms, watch);
}
