#include "framework/window_thread.h"

#include "core/wait_bounds.h"
#include "framework/threads.h"

namespace fw {

CWindowThread::~CWindowThread() { Stop(bimbly::kWindowThreadEndMs); }

bool CWindowThread::Start(std::function<bool()> create, std::function<void()> destroy, DWORD timeoutMs) {
  return Begin(std::move(create), std::move(destroy)) && WaitCreated(timeoutMs);
}

bool CWindowThread::Begin(std::function<bool()> create, std::function<void()> destroy) {
  if (thread_) return false;
  state_ = std::make_shared<State>();
  state_->create = std::move(create);
  state_->destroy = std::move(destroy);
  state_->created.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!state_->created) return false;
  // The thread holds its own reference to the state.
  auto* threadState = new std::shared_ptr<State>(state_);
  thread_.reset(::CreateThread(nullptr, 0, &CWindowThread::ThreadMain, threadState, 0, &threadId_));
  if (!thread_) {
    delete threadState;
    return false;
  }
  return true;
}

bool CWindowThread::WaitCreated(DWORD timeoutMs) {
  if (!thread_ || !state_) return false;
  const HANDLE waits[2] = {state_->created.get(), thread_.get()};
  const DWORD w = serve_ ? WaitAnyServingSentMessages(2, waits, timeoutMs)
                         : ::WaitForMultipleObjects(2, waits, FALSE, timeoutMs);
  if (w == WAIT_OBJECT_0 && state_->createResult) return true;
  // Creation failed, the thread ended, or the bound passed.
  Stop(bimbly::kWindowThreadEndMs);
  return false;
}

bool CWindowThread::running() const {
  return thread_ && ::WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT;
}

void CWindowThread::AskToStop() {
  if (thread_ && threadId_ && ::GetCurrentThreadId() != threadId_) ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
}

bool CWindowThread::Stop(DWORD timeoutMs) {
  if (!thread_) return true;
  if (::GetCurrentThreadId() == threadId_) {
    // Cannot wait for ourselves: end the loop and let the thread finish alone.
    state_->ownerGone = true;
    ::PostQuitMessage(0);
    thread_.reset();
    threadId_ = 0;
    return true;
  }
  bool clean = true;
  if (::WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT) {
    ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    clean = JoinOrTerminate(thread_.get(), timeoutMs, serve_);
  }
  thread_.reset();
  threadId_ = 0;
  return clean;
}

DWORD WINAPI CWindowThread::ThreadMain(void* param) {
  std::unique_ptr<std::shared_ptr<State>> holder(static_cast<std::shared_ptr<State>*>(param));
  const std::shared_ptr<State> state = *holder;
  MSG msg;
  // Make sure the thread has a message queue before anyone posts to it.
  ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  bool ok = false;
  try {
    ok = state->create && state->create();
  } catch (...) {
    ok = false;
  }
  state->createResult = ok;
  ::SetEvent(state->created.get());
  if (!ok) return 1;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  if (state->ownerGone) return 0;
  try {
    if (state->destroy) state->destroy();
  } catch (...) {
  }
  return 0;
}

}  // namespace fw
