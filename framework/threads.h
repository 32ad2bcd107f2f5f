// Bounded joins and locks. Nothing here waits without a limit: a thread that
// does not end in time is terminated, a lock that cannot be had in time is
// reported as not held.
#pragma once

#include <windows.h>

namespace fw {

// Waits up to boundMs for the thread to end, then terminates it. With
// serveSentMessages the caller's thread goes on serving messages sent to it
// while it waits, so a thread that calls into the caller's windows cannot
// deadlock the join. True when the thread ended by itself. The handle stays
// open; its owner closes it.
bool JoinOrTerminate(HANDLE thread, DWORD boundMs, bool serveSentMessages = false) noexcept;

// Waits up to boundMs for a handle to be signalled while serving messages
// sent to the caller's thread (not posted ones). True when it was signalled.
bool WaitServingSentMessages(HANDLE handle, DWORD boundMs) noexcept;
// The same for the first of `count` handles: WAIT_OBJECT_0 + its index, or
// WAIT_TIMEOUT (WAIT_FAILED when the wait could not be made).
DWORD WaitAnyServingSentMessages(DWORD count, const HANDLE* handles, DWORD boundMs) noexcept;

// Sleeps for ms while serving messages sent to the caller's thread (not
// posted ones): a pause on a thread that has a low-level hook or windows
// other threads call, which must be answered meanwhile.
void SleepServingSentMessages(DWORD ms) noexcept;

// Terminates a thread and waits, briefly, for the termination to take effect.
void TerminateAndWait(HANDLE thread) noexcept;

// Holds a kernel mutex for a scope. The wait for it is bounded; a mutex
// abandoned by a thread that died holding it counts as taken. The same thread
// may take it again while it holds it.
class ScopedMutexLock {
 public:
  ScopedMutexLock(HANDLE mutex, DWORD timeoutMs) noexcept;
  ~ScopedMutexLock();
  ScopedMutexLock(const ScopedMutexLock&) = delete;
  ScopedMutexLock& operator=(const ScopedMutexLock&) = delete;
  bool held() const noexcept { return held_; }

 private:
  HANDLE mutex_;
  bool held_ = false;
};

}  // namespace fw
