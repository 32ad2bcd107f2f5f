// The text-to-speech engine behind the speech worker. The worker creates it
// on its own thread (after COM is initialised there) and is the only one that
// touches it; it is destroyed on that thread before COM is uninitialised. The
// default is the platform's SAPI 5 voice; tests put in an engine of their own.
#pragma once

#include <windows.h>

#include <memory>

class ISpeechEngine {
 public:
  virtual ~ISpeechEngine() = default;

  // Gets the voice tokens and the voice ready. False: no speech here; the
  // worker ends without ever acknowledging.
  virtual bool Open() = 0;

  // Makes the first voice whose description contains filter (case-sensitive)
  // the voice; failing that, the first Simplified Chinese voice, then the
  // first such voice of the language packs (core/voice_choice.h); none at all
  // keeps the current voice, which is no failure. Chooses the English voice
  // for second-language names the same way (none: there is no English voice).
  // atStart: the first choice, made once after Open, which purges any speech
  // before switching; otherwise the tokens are enumerated afresh. False: an
  // engine failure, which ends the worker.
  virtual bool ChooseVoice(const char* filter, bool atStart) = 0;

  // Bound on a synchronous speak; failure is ignored.
  virtual void SetSyncSpeakTimeout(DWORD ms) = 0;

  // Starts speaking text without waiting for the end, purging nothing. The
  // engine copies the text before it returns (the record may free it next).
  // Failure is ignored: a voice that cannot speak just stays silent.
  virtual void Speak(const wchar_t* text) = 0;

  // Whether an English voice was found.
  virtual bool HasEnglishVoice() = 0;

  // Starts speaking text in the English voice, cutting off what that voice
  // still says; copies the text as Speak does. Failure is ignored.
  virtual void SpeakEnglish(const wchar_t* text) = 0;

  // Cuts off what the English voice says, without waiting.
  virtual void HushEnglish() = 0;

  // Whether the voice (not the English one) has nothing left to say.
  virtual bool VoiceDone() = 0;

  // False: an engine failure, which ends the worker.
  virtual bool SetRate(long rate) = 0;

  // Cuts off all speech of both voices and returns once they are idle. False:
  // an engine failure, which ends the worker.
  virtual bool Stop() = 0;

  // Purges all speech before the worker ends.
  virtual void Quit() = 0;
};

namespace speech {
// The SAPI 5 engine (CLSID_SpVoice with the voice tokens of the registry).
std::unique_ptr<ISpeechEngine> CreateSapiSpeechEngine();
}  // namespace speech
