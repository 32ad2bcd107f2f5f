#include "style/window_fade.h"

#include "core/wait_bounds.h"
#include "framework/threads.h"

namespace {
constexpr DWORD kStepMs = 5;
constexpr int kFadeOutStep = 15;

void SetAlpha(HWND window, int alpha) {
  ::SetLayeredWindowAttributes(window, 0, static_cast<BYTE>(alpha), LWA_ALPHA);
}
}  // namespace

void WindowFade::Prepare(HWND window, BYTE low, BYTE high) {
  window_ = window;
  low_ = low;
  high_ = high;
  const LONG_PTR ex = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  if (!(ex & WS_EX_LAYERED)) ::SetWindowLongPtrW(window, GWL_EXSTYLE, ex | WS_EX_LAYERED);
  SetAlpha(window, low_);
}

void WindowFade::StartFadeIn() {
  if (!window_ || thread_) return;
  if (step_ < 1) step_ = 1;
  thread_.reset(::CreateThread(nullptr, 0, &WindowFade::FadeInThread, this, 0, nullptr));
  // Never leave a window invisible because a thread could not be had.
  if (!thread_ && ::IsWindow(window_)) SetAlpha(window_, high_);
}

void WindowFade::StopFade() {
  if (!thread_) return;
  // A fade-in ends by itself within (high - low) / step steps of 5 ms; past
  // the bound its thread is ended. Messages sent to this thread are served
  // while waiting, so a window call of the fade thread that reaches the
  // owner's thread cannot deadlock.
  fw::JoinOrTerminate(thread_.get(), bimbly::kFadeJoinMs, true);
  thread_.reset();
}

void WindowFade::FadeOut() {
  StopFade();
  if (!window_) return;
  for (int alpha = high_; alpha >= low_; alpha -= kFadeOutStep) {
    if (!::IsWindow(window_)) return;
    SetAlpha(window_, alpha);
    // The owner's thread may run a low-level hook (the game's keyboard
    // lock): it answers between the steps.
    fw::SleepServingSentMessages(kStepMs);
  }
}

DWORD WINAPI WindowFade::FadeInThread(void* param) {
  auto* self = static_cast<WindowFade*>(param);
  const HWND window = self->window_;
  for (int alpha = self->low_; alpha < self->high_; alpha += self->step_) {
    if (!::IsWindow(window)) return 0;
    SetAlpha(window, alpha);
    ::Sleep(kStepMs);
  }
  if (::IsWindow(window)) SetAlpha(window, self->high_);
  return 0;
}
