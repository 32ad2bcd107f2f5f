#include "framework/window_thread.h"

namespace fw {

CWindowThread::~CWindowThread() { Stop(2000); }

bool CWindowThread::Start(std::function<bool()> create, std::function<void()> destroy, DWORD timeoutMs) {
  if (thread_) return false;
  create_ = std::move(create);
  destroy_ = std::move(destroy);
  created_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!created_) return false;
  createResult_ = 0;
  thread_.reset(::CreateThread(nullptr, 0, &CWindowThread::ThreadMain, this, 0, &threadId_));
  if (!thread_) return false;
  const HANDLE waits[2] = {created_.get(), thread_.get()};
  const DWORD w = ::WaitForMultipleObjects(2, waits, FALSE, timeoutMs);
  if (w == WAIT_OBJECT_0 && createResult_) return true;
  // Creation failed, the thread ended, or the bound passed.
  Stop(2000);
  return false;
}

bool CWindowThread::running() const {
  return thread_ && ::WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT;
}

bool CWindowThread::Stop(DWORD timeoutMs) {
  if (!thread_) return true;
  if (::GetCurrentThreadId() == threadId_) {
    // Cannot wait for ourselves: end the loop and let the thread finish.
    ::PostQuitMessage(0);
    thread_.reset();
    return true;
  }
  bool clean = true;
  if (::WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT) {
    ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    if (::WaitForSingleObject(thread_.get(), timeoutMs) != WAIT_OBJECT_0) {
      ::TerminateThread(thread_.get(), 1);
      ::WaitForSingleObject(thread_.get(), 1000);
      clean = false;
    }
  }
  thread_.reset();
  threadId_ = 0;
  return clean;
}

DWORD WINAPI CWindowThread::ThreadMain(void* param) {
  auto* self = static_cast<CWindowThread*>(param);
  MSG msg;
  // Make sure the thread has a message queue before anyone posts to it.
  ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  bool ok = false;
  try {
    ok = self->create_ && self->create_();
  } catch (...) {
    ok = false;
  }
  ::InterlockedExchange(&self->createResult_, ok ? 1 : 0);
  ::SetEvent(self->created_.get());
  if (!ok) return 1;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  try {
    if (self->destroy_) self->destroy_();
  } catch (...) {
  }
  return 0;
}

}  // namespace fw
