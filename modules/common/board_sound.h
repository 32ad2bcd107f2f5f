// A board's sounds, started with PlaySoundA on a thread of their own: under
// Wine a new sound first waits for the one playing to let its device go,
// which held the board's thread, and every key queued behind it, for up to
// 150 ms. A newer request replaces one not yet carried out (each new sound
// replaces the one playing anyway). Ending waits for the call under way.
#pragma once

#include <windows.h>

#include "framework/latest_request_thread.h"

class CBoardSound {
 public:
  CBoardSound();

  // PlaySoundA(sound, module, flags) with SND_ASYNC; `sound` (a resource
  // name or, with SND_MEMORY, the sound itself) must live as long as this
  // object. Ending this object ends the thread; the sound that plays is the
  // owner's to stop.
  void Play(LPCSTR sound, HMODULE module, DWORD flags);
  void Stop() { Play(nullptr, nullptr, 0); }

 private:
  struct Request {
    LPCSTR sound = nullptr;
    HMODULE module = nullptr;
    DWORD flags = 0;
  };
  fw::LatestRequestThread<Request> worker_;
};
