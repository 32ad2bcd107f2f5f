#include "modules/common/board_speech.h"

#include "core/wait_bounds.h"
#include "speech/speech_requests.h"

CBoardSpeech::CBoardSpeech(SpeechRecord* record, const bimbly::NameSpeaking& how) : record_(record), how_(how) {
  // The host's thread joins it at the end, going on serving what is sent to
  // it (the keyboard lock's hook) meanwhile.
  if (record_)
    worker_ = std::make_unique<fw::LatestRequestThread<Request>>([this](Request& r) { StopAndSpeak(r); },
                                                                 bimbly::kBoardSpeechEndMs);
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
  if (!worker_ || how_.quiet) return;
  worker_->Post(std::move(request));
}
