#include "modules/common/board_speech.h"

#include "core/wait_bounds.h"
#include "framework/threads.h"
#include "speech/speech_requests.h"

CBoardSpeech::CBoardSpeech(SpeechRecord* record, const bimbly::NameSpeaking& how) : record_(record), how_(how) {
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

void CBoardSpeech::StopAndSpeak(const Request& request) const {
  speech::StopSpeech(record_);
  switch (request.kind) {
    case Request::Kind::kGbkNames:
      speech::SpeakNamesGbk(request.gbk.c_str(), request.utf8Second.c_str(), how_, record_);
      break;
    case Request::Kind::kWideNames:
      speech::SpeakNames(request.wide.c_str(), request.wideSecond.c_str(), how_, record_);
      break;
    case Request::Kind::kGbkText:
      speech::SpeakText(request.gbk.c_str(), record_);
      break;
  }
}

void CBoardSpeech::SayNames(const char* gbkName, const char* utf8SecondName) {
  if (!gbkName) return;
  Request request;
  request.kind = Request::Kind::kGbkNames;
  request.gbk = gbkName;
  if (utf8SecondName) request.utf8Second = utf8SecondName;
  Post(std::move(request));
}

void CBoardSpeech::SayNames(const wchar_t* name, const wchar_t* secondName) {
  if (!name) return;
  Request request;
  request.kind = Request::Kind::kWideNames;
  request.wide = name;
  if (secondName) request.wideSecond = secondName;
  Post(std::move(request));
}

void CBoardSpeech::SayText(const char* gbkText) {
  if (!gbkText) return;
  Request request;
  request.gbk = gbkText;
  Post(std::move(request));
}

void CBoardSpeech::Post(Request request) {
  // Quiet mode: nothing is asked of the worker at all.
  if (!record_ || how_.quiet) return;
  if (!thread_) {
    StopAndSpeak(request);
    return;
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    pending_ = std::move(request);
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
    Request request;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (ending_) return;
      if (!hasPending_) continue;
      request = std::move(pending_);
      hasPending_ = false;
    }
    StopAndSpeak(request);
  }
}
