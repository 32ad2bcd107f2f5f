// A thread with its own message loop that owns one or more windows.
//
// Start() blocks, bounded, until the thread has run its creation step; Stop()
// ends the loop and waits, bounded, for the thread, terminating it when the
// bound passes. The one exception is Stop() called on the thread itself (an
// owner destroyed from one of its own handlers): it cannot wait for itself,
// so it ends the loop and lets the thread finish alone, without touching the
// owner again.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>

#include "framework/handles.h"

namespace fw {

class CWindowThread {
 public:
  CWindowThread() = default;
  ~CWindowThread();
  CWindowThread(const CWindowThread&) = delete;
  CWindowThread& operator=(const CWindowThread&) = delete;

  // Runs `create` on a new thread (false from it ends the thread), then the
  // thread's message loop; `destroy` runs on the thread after the loop ends.
  // Returns true when `create` succeeded within timeoutMs.
  bool Start(std::function<bool()> create, std::function<void()> destroy, DWORD timeoutMs);
  // Start in two halves, so that several threads can be started at once and
  // then waited for together: Begin returns once the thread runs (false when
  // it could not be started); WaitCreated then waits, bounded, for `create`
  // and is true when it succeeded. A thread whose creation failed or ran out
  // of time has been stopped.
  bool Begin(std::function<bool()> create, std::function<void()> destroy);
  bool WaitCreated(DWORD timeoutMs);
  // Asks the loop to end without waiting (any thread but its own), so that
  // several threads end side by side before each is joined by Stop.
  void AskToStop();
  // Asks the loop to end and waits; returns false when the thread had to be terminated.
  bool Stop(DWORD timeoutMs);
  bool running() const;
  // From here on WaitCreated and Stop serve messages sent to the waiting
  // thread while they wait: for a thread that owns a low-level hook (the
  // game's, whose board is made and ended from there). Not for a thread
  // whose sent messages are jobs that must not run in the middle of its work.
  void ServeSentMessagesWhileWaiting() { serve_ = true; }
  DWORD threadId() const { return threadId_; }

 private:
  // What the thread itself uses, shared so that it outlives an owner that is
  // destroyed from the thread's own handlers.
  struct State {
    std::function<bool()> create;
    std::function<void()> destroy;
    UniqueKernelHandle created;  // this thread's own creation signal
    std::atomic<bool> createResult{false};
    std::atomic<bool> ownerGone{false};
  };
  static DWORD WINAPI ThreadMain(void* param);

  std::shared_ptr<State> state_;
  UniqueKernelHandle thread_;
  DWORD threadId_ = 0;
  bool serve_ = false;
};

}  // namespace fw
