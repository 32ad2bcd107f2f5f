// A board's voice: has the host's speech worker cut off what it says and say
// a name instead, on a thread of its own, so that neither the board's thread
// (where keys wait) nor the host's waits for the worker's acknowledgements.
// A newer name replaces one not yet said; ending waits for the request under
// way, within its bounds. Names go in the language the parent chose.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "contracts/speech_record.h"
#include "core/settings_rules.h"
#include "framework/latest_request_thread.h"

class CBoardSpeech {
 public:
  CBoardSpeech(SpeechRecord* record, const bimbly::NameSpeaking& how);
  CBoardSpeech(const CBoardSpeech&) = delete;
  CBoardSpeech& operator=(const CBoardSpeech&) = delete;

  // Each stops the speech and speaks (the texts are copied), returning at
  // once; without a thread of its own it asks on the caller's thread.
  // A GBK name with its UTF-8 second-language name (either may be empty).
  void SayNames(const char* gbkName, const char* utf8SecondName);
  // A name and second-language name in any text.
  void SayNames(const wchar_t* name, const wchar_t* secondName);
  // GBK text said as it is, in Chinese.
  void SayText(const char* gbkText);

 private:
  struct Request {
    enum class Kind { kGbkNames, kWideNames, kGbkText } kind = Kind::kGbkText;
    std::string gbk;
    std::string utf8Second;
    std::wstring wide;
    std::wstring wideSecond;
  };

  void Post(Request request);
  void StopAndSpeak(const Request& request) const;

  SpeechRecord* record_;
  bimbly::NameSpeaking how_;
  // Last, so that it ends first: it uses the two above.
  std::unique_ptr<fw::LatestRequestThread<Request>> worker_;
};
