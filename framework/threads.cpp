#include "framework/threads.h"

#include "core/wait_bounds.h"

namespace fw {

bool JoinOrTerminate(HANDLE thread, DWORD boundMs, bool serveSentMessages) noexcept {
  if (!thread) return true;
  const bool ended = serveSentMessages ? WaitServingSentMessages(thread, boundMs)
                                       : ::WaitForSingleObject(thread, boundMs) == WAIT_OBJECT_0;
  if (!ended) TerminateAndWait(thread);
  return ended;
}

bool WaitServingSentMessages(HANDLE handle, DWORD boundMs) noexcept {
  return WaitAnyServingSentMessages(handle ? 1 : 0, &handle, boundMs) == WAIT_OBJECT_0 && handle;
}

DWORD WaitAnyServingSentMessages(DWORD count, const HANDLE* handles, DWORD boundMs) noexcept {
  const ULONGLONG end = ::GetTickCount64() + boundMs;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    const DWORD left = now < end ? static_cast<DWORD>(end - now) : 0;
    const DWORD w = ::MsgWaitForMultipleObjects(count, count ? handles : nullptr, FALSE, left, QS_SENDMESSAGE);
    if (w < WAIT_OBJECT_0 + count) return w;
    if (w != WAIT_OBJECT_0 + count) return w == WAIT_TIMEOUT ? WAIT_TIMEOUT : WAIT_FAILED;
    // Peeking serves the sent messages without taking posted ones.
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void SleepServingSentMessages(DWORD ms) noexcept { WaitServingSentMessages(nullptr, ms); }

void TerminateAndWait(HANDLE thread) noexcept {
  if (!thread) return;
  ::TerminateThread(thread, 1);
  ::WaitForSingleObject(thread, bimbly::kTerminatedThreadMs);
}

ScopedMutexLock::ScopedMutexLock(HANDLE mutex, DWORD timeoutMs) noexcept : mutex_(mutex) {
  if (!mutex_) return;
  const DWORD w = ::WaitForSingleObject(mutex_, timeoutMs);
  held_ = w == WAIT_OBJECT_0 || w == WAIT_ABANDONED;
}

ScopedMutexLock::~ScopedMutexLock() {
  if (held_) ::ReleaseMutex(mutex_);
}

}  // namespace fw
