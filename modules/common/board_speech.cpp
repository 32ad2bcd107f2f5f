#include "modules/common/board_speech.h"

#include "core/wait_bounds.h"
#include "framework/threads.h"
#include "speech/speech_requests.h"

CBoardSpeech::CBoardSpeech(SpeechRecord* record) : record_(record) {
  if (!record_) return;
  wake_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (wake_) thread_.reset(::CreateThread(nullptr, 0, &CBoardSpeech::ThreadMain, this, 0, nullptr));
}

CBoardSpeech::~CBoardSpeech() {
  if (!thread_) return;
  {
    std::lock_guard<std::mutex> guard(lock_);
    ending_ = true;
  }
  ::SetEvent(wake_.get());
  // The host's thread joins here; it goes on serving what is sent to it
  // (the keyboard lock's hook) meanwhile.
  fw::JoinOrTerminate(thread_.get(), bimbly::kBoardSpeechEndMs, /*serveSentMessages=*/true);
}

void CBoardSpeech::StopAndSpeak(SpeechRecord* record, const std::string& gbkText) {
  speech::StopSpeech(record);
  speech::SpeakText(gbkText.c_str(), record);
}

void CBoardSpeech::Say(const char* gbkText) {
  if (!record_ || !gbkText) return;
  if (!thread_) {
    StopAndSpeak(record_, gbkText);
    return;
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    pending_ = gbkText;
    hasPending_ = true;
  }
  ::SetEvent(wake_.get());
}

DWORD WINAPI CBoardSpeech::ThreadMain(void* self) {
  static_cast<CBoardSpeech*>(self)->Serve();
  return 0;
}

void CBoardSpeech::Serve() {
  for (;;) {
    // Woken by every Say and by the end; nothing else is waited for here.
    ::WaitForSingleObject(wake_.get(), INFINITE);
    std::string text;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (ending_) return;
      if (!hasPending_) continue;
      text.swap(pending_);
      hasPending_ = false;
    }
    StopAndSpeak(record_, text);
  }
}
