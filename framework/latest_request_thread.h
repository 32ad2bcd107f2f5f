// A thread of its own that carries out the newest request handed to it, so
// that the caller never waits for the work: a request not yet begun is
// replaced by a newer one (a board's new sound or speech replaces the one
// under way anyway). Ending waits, bounded, for the request under way while
// the owner's thread goes on serving what is sent to it.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <utility>

#include "framework/handles.h"
#include "framework/threads.h"

namespace fw {

template <typename Request>
class LatestRequestThread {
 public:
  // `serve` carries out one request on the thread; where no thread could be
  // started it runs on the caller's, at Post.
  LatestRequestThread(std::function<void(Request&)> serve, DWORD endBoundMs)
      : serve_(std::move(serve)), endBoundMs_(endBoundMs) {
    wake_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (wake_) thread_.reset(::CreateThread(nullptr, 0, &LatestRequestThread::ThreadMain, this, 0, nullptr));
  }
  ~LatestRequestThread() {
    if (!thread_) return;
    {
      std::lock_guard<std::mutex> guard(lock_);
      ending_ = true;
    }
    ::SetEvent(wake_.get());
    JoinOrTerminate(thread_.get(), endBoundMs_, /*serveSentMessages=*/true);
  }
  LatestRequestThread(const LatestRequestThread&) = delete;
  LatestRequestThread& operator=(const LatestRequestThread&) = delete;

  void Post(Request request) {
    if (!thread_) {
      Serve(request);
      return;
    }
    {
      std::lock_guard<std::mutex> guard(lock_);
      pending_ = std::move(request);
      hasPending_ = true;
    }
    ::SetEvent(wake_.get());
  }

 private:
  static DWORD WINAPI ThreadMain(void* self) {
    static_cast<LatestRequestThread*>(self)->Run();
    return 0;
  }
  void Run() {
    for (;;) {
      // Woken by every request and by the end; nothing else is waited for here.
      ::WaitForSingleObject(wake_.get(), INFINITE);
      Request request;
      {
        std::lock_guard<std::mutex> guard(lock_);
        if (ending_) return;
        if (!hasPending_) continue;
        request = std::move(pending_);
        hasPending_ = false;
      }
      Serve(request);
    }
  }
  void Serve(Request& request) noexcept {
    try {
      serve_(request);
    } catch (...) {
    }
  }

  std::function<void(Request&)> serve_;
  DWORD endBoundMs_;
  std::mutex lock_;
  Request pending_{};
  bool hasPending_ = false;
  bool ending_ = false;
  UniqueKernelHandle wake_;
  UniqueKernelHandle thread_;
};

}  // namespace fw
