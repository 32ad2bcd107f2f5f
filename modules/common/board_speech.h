// A board's voice: has the host's speech worker cut off what it says and say
// a name instead, on a thread of its own, so that neither the board's thread
// (where keys wait) nor the host's waits for the worker's acknowledgements.
// A newer name replaces one not yet said; ending waits for the request under
// way, within its bounds.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>

#include "contracts/speech_record.h"
#include "framework/handles.h"

class CBoardSpeech {
 public:
  explicit CBoardSpeech(SpeechRecord* record);
  ~CBoardSpeech();
  CBoardSpeech(const CBoardSpeech&) = delete;
  CBoardSpeech& operator=(const CBoardSpeech&) = delete;

  // Stops the speech and speaks the GBK text (copied). Returns at once; without
  // a thread of its own it asks on the caller's thread.
  void Say(const char* gbkText);

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Serve();
  static void StopAndSpeak(SpeechRecord* record, const std::string& gbkText);

  SpeechRecord* record_;
  std::mutex lock_;
  std::string pending_;
  bool hasPending_ = false;
  bool ending_ = false;
  fw::UniqueKernelHandle wake_;
  fw::UniqueKernelHandle thread_;
};
