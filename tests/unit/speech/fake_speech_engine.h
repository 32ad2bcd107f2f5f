// A speech engine for tests: records what the worker asks of it, can be told
// to fail or to hang, and "speaks" for a while so that stops can be seen.
// What the English voice says is logged as "en:" and the text.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "speech/speech_engine.h"
#include "speech/speech_worker.h"

// How long a hanging engine call waits for its release at most.
inline constexpr DWORD kFakeHangMs = 30000;

struct FakeEngineState {
  // Behaviour.
  bool openResult = true;
  bool chooseResult = true;
  bool rateResult = true;
  bool stopResult = true;
  bool hangInOpen = false;   // Open waits for release (at most kFakeHangMs)
  bool hangInSpeak = false;  // Speak waits for release (at most kFakeHangMs)
  DWORD utteranceMs = 10000; // how long a text keeps the voice busy
  bool hasEnglish = true;    // an English voice was found
  fw::UniqueKernelHandle release{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};

  // What happened.
  std::mutex mutex;
  std::vector<std::string> calls;
  std::vector<std::wstring> spoken;
  std::wstring speaking;
  ULONGLONG speakingUntil = 0;
  DWORD engineThread = 0;
  bool destroyed = false;

  void Log(std::string call) {
    std::lock_guard<std::mutex> lock(mutex);
    calls.push_back(std::move(call));
    engineThread = ::GetCurrentThreadId();
  }
  std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> lock(mutex);
    return calls;
  }
  std::vector<std::wstring> Spoken() {
    std::lock_guard<std::mutex> lock(mutex);
    return spoken;
  }
  bool IsSpeaking() {
    std::lock_guard<std::mutex> lock(mutex);
    return !speaking.empty() && ::GetTickCount64() < speakingUntil;
  }
};

class FakeSpeechEngine final : public ISpeechEngine {
 public:
  explicit FakeSpeechEngine(std::shared_ptr<FakeEngineState> state) : s_(std::move(state)) {}
  ~FakeSpeechEngine() override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    s_->destroyed = true;
  }
  bool Open() override {
    s_->Log("open");
    if (s_->hangInOpen) ::WaitForSingleObject(s_->release.get(), kFakeHangMs);
    return s_->openResult;
  }
  bool ChooseVoice(const char* filter, bool atStart) override {
    s_->Log(std::string("choose:") + filter + (atStart ? ":start" : ""));
    return s_->chooseResult;
  }
  void SetSyncSpeakTimeout(DWORD ms) override { s_->Log("sync:" + std::to_string(ms)); }
  void Speak(const wchar_t* text) override {
    {
      std::lock_guard<std::mutex> lock(s_->mutex);
      s_->calls.push_back("speak");
      s_->spoken.emplace_back(text);  // copied, as the interface asks
      s_->speaking = text;
      s_->speakingUntil = ::GetTickCount64() + s_->utteranceMs;
    }
    if (s_->hangInSpeak) ::WaitForSingleObject(s_->release.get(), kFakeHangMs);
  }
  bool HasEnglishVoice() override { return s_->hasEnglish; }
  void SpeakEnglish(const wchar_t* text) override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    s_->calls.push_back("speak:en");
    s_->spoken.push_back(std::wstring(L"en:") + text);
  }
  void HushEnglish() override {}
  bool VoiceDone() override { return !s_->IsSpeaking(); }
  bool SetRate(long rate) override {
    s_->Log("rate:" + std::to_string(rate));
    return s_->rateResult;
  }
  bool Stop() override {
    s_->Log("stop");
    std::lock_guard<std::mutex> lock(s_->mutex);
    s_->speaking.clear();
    return s_->stopResult;
  }
  void Quit() override {
    s_->Log("quit");
    std::lock_guard<std::mutex> lock(s_->mutex);
    s_->speaking.clear();
  }

 private:
  std::shared_ptr<FakeEngineState> s_;
};

inline speech::SpeechWorkerOptions FakeOptions(const std::shared_ptr<FakeEngineState>& state) {
  speech::SpeechWorkerOptions options;
  options.makeEngine = [state] { return std::make_unique<FakeSpeechEngine>(state); };
  return options;
}
