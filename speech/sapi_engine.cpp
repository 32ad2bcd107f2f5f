// The SAPI 5 engine: a voice (ISpVoice) and the voice tokens of the registry.
#include <windows.h>
#include <sapi.h>

#include <cwchar>
#include <string>

#include "framework/handles.h"
#include "framework/text.h"
#include "speech/speech_engine.h"

namespace {

constexpr DWORD kSpeakAsync = SPF_ASYNC;              // 1
constexpr DWORD kSpeakPurge = SPF_PURGEBEFORESPEAK;   // 2
constexpr DWORD kSpeakPlainText = SPF_IS_NOT_XML;     // 0x10

class SapiSpeechEngine final : public ISpeechEngine {
 public:
  ~SapiSpeechEngine() override {
    // Released in the order voice, token, enumerator, category.
    voice_.reset();
    token_.reset();
    tokens_.reset();
    category_.reset();
  }

  bool Open() override {
    if (FAILED(::CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL, IID_ISpObjectTokenCategory,
                                  reinterpret_cast<void**>(category_.put()))))
      return false;
    if (FAILED(category_->SetId(SPCAT_VOICES, FALSE))) return false;
    if (FAILED(category_->EnumTokens(nullptr, nullptr, tokens_.put()))) return false;
    if (FAILED(tokens_->GetCount(&count_))) return false;
    if (FAILED(::CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice,
                                  reinterpret_cast<void**>(voice_.put()))))
      return false;
    // A voice whose Speak is not implemented (as under Wine) can neither
    // speak nor be stopped: no speech, rather than a worker that ends on the
    // first stop request.
    if (voice_->Speak(nullptr, kSpeakPurge, nullptr) == E_NOTIMPL) return false;
    return true;
  }

  bool ChooseVoice(const char* filter, bool atStart) override {
    if (!atStart) {
      tokens_.reset();
      if (FAILED(category_->EnumTokens(nullptr, nullptr, tokens_.put()))) return false;
    }
    const std::wstring wanted = fw::GbkToWide(filter);
    for (ULONG i = 0; i < count_; ++i) {
      token_.reset();
      if (FAILED(tokens_->Next(1, token_.put(), nullptr)) || !token_) return false;
      wchar_t* description = nullptr;
      if (FAILED(token_->GetStringValue(nullptr, &description)) || !description) return false;
      const bool match = std::wcsstr(description, wanted.c_str()) != nullptr;
      ::CoTaskMemFree(description);
      if (match) {
        if (atStart) voice_->Speak(nullptr, kSpeakPurge, nullptr);
        return SUCCEEDED(voice_->SetVoice(token_.get()));
      }
    }
    return true;  // no match: the voice keeps what it had
  }

  void SetSyncSpeakTimeout(DWORD ms) override { voice_->SetSyncSpeakTimeout(ms); }

  void Speak(const wchar_t* text) override { voice_->Speak(text, kSpeakAsync | kSpeakPlainText, nullptr); }

  bool SetRate(long rate) override { return SUCCEEDED(voice_->SetRate(rate)); }

  bool Stop() override {
    if (FAILED(voice_->Speak(nullptr, kSpeakAsync | kSpeakPurge, nullptr))) return false;
    voice_->WaitUntilDone(INFINITE);
    return true;
  }

  void Quit() override { voice_->Speak(nullptr, kSpeakPurge, nullptr); }

 private:
  fw::ComPtr<ISpObjectTokenCategory> category_;
  fw::ComPtr<IEnumSpObjectTokens> tokens_;
  fw::ComPtr<ISpObjectToken> token_;
  fw::ComPtr<ISpVoice> voice_;
  ULONG count_ = 0;
};

}  // namespace

namespace speech {

std::unique_ptr<ISpeechEngine> CreateSapiSpeechEngine() { return std::make_unique<SapiSpeechEngine>(); }

}  // namespace speech
