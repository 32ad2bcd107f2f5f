#include "launcher/shared/window_fade.h"

namespace {
constexpr DWORD kStepMs = 5;
constexpr int kFadeOutStep = 15;
// A fade-in ends by itself within (high - low) / step steps of 5 ms, at most
// about 1.3 s; past this bound its thread is ended.
constexpr DWORD kFadeJoinBoundMs = 3000;

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
  HANDLE h = ::CreateThread(nullptr, 0, &WindowFade::FadeInThread, this, 0, nullptr);
  if (!h) {
    // Never leave a window invisible because a thread could not be had.
    if (::IsWindow(window_)) SetAlpha(window_, high_);
    return;
  }
  ::InterlockedExchangePointer(const_cast<void**>(reinterpret_cast<void* volatile*>(&thread_)), h);
}

void WindowFade::StopFade() {
  HANDLE h = ::InterlockedExchangePointer(const_cast<void**>(reinterpret_cast<void* volatile*>(&thread_)), nullptr);
  if (!h) return;
  // Messages sent to this thread are served while waiting, so a window call
  // of the fade thread that reaches the owner's thread cannot deadlock.
  const ULONGLONG end = ::GetTickCount64() + kFadeJoinBoundMs;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    const DWORD left = now < end ? static_cast<DWORD>(end - now) : 0;
    const DWORD w = ::MsgWaitForMultipleObjects(1, &h, FALSE, left, QS_SENDMESSAGE);
    if (w == WAIT_OBJECT_0) break;
    if (w == WAIT_OBJECT_0 + 1) {
      MSG msg;
      ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
      continue;
    }
    ::TerminateThread(h, 1);
    ::WaitForSingleObject(h, 1000);
    break;
  }
  ::CloseHandle(h);
}

void WindowFade::FadeOut() {
  StopFade();
  if (!window_) return;
  for (int alpha = high_; alpha >= low_; alpha -= kFadeOutStep) {
    if (!::IsWindow(window_)) return;
    SetAlpha(window_, alpha);
    ::Sleep(kStepMs);
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
