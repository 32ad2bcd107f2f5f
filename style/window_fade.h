// Fades a layered window in (on a short thread of its own) and out (on the
// owner's thread) by stepping its alpha value.
#pragma once

#include <windows.h>

#include "framework/handles.h"

// The alpha step of every faded window of the suite.
inline constexpr int kWindowFadeStep = 15;

class WindowFade {
 public:
  WindowFade() = default;
  ~WindowFade() { StopFade(); }
  WindowFade(const WindowFade&) = delete;
  WindowFade& operator=(const WindowFade&) = delete;

  // Gives the window the layered style (if it lacks it), makes it invisible
  // (alpha = low) and records the range. Every faded window ends at alpha 200.
  void Prepare(HWND window, BYTE low = 0, BYTE high = 200);
  // Prepare, the step of the launcher's and the updater's windows, and the
  // fade-in: how every faded dialog starts.
  void FadeIn(HWND window, int step = kWindowFadeStep) {
    Prepare(window);
    SetStep(step);
    StartFadeIn();
  }
  void SetStep(int step) { step_ = step; }
  // Starts the fade-in thread unless one exists; if the thread cannot be
  // started the window is shown at its final alpha at once.
  void StartFadeIn();
  // Joins a running fade-in, then steps the alpha from high down to low by 15
  // (serving messages sent to the calling thread between the steps)
  // every 5 ms on the calling thread.
  void FadeOut();
  // Waits (bounded) for a running fade-in thread to end.
  void StopFade();


 private:
  static DWORD WINAPI FadeInThread(void* param);

  BYTE low_ = 0;
  BYTE high_ = 255;
  HWND window_ = nullptr;
  int step_ = 1;
  fw::UniqueKernelHandle thread_;  // the fade-in thread; joined and closed by StopFade on the owner's thread
};
