// The SAPI 5 engine: a voice (ISpVoice) and the voice tokens of the registry.
#include <windows.h>
#include <sapi.h>

#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "core/voice_choice.h"
#include "framework/handles.h"
#include "framework/text.h"
#include "speech/speech_engine.h"

namespace {

constexpr DWORD kSpeakAsync = SPF_ASYNC;              // 1
constexpr DWORD kSpeakPurge = SPF_PURGEBEFORESPEAK;   // 2
constexpr DWORD kSpeakPlainText = SPF_IS_NOT_XML;     // 0x10

constexpr wchar_t kLanguagePackVoices[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech_OneCore\\Voices";

// Takes a string the speech interface allocated.
std::wstring TakeString(wchar_t* text) {
  std::wstring out = text ? text : L"";
  if (text) ::CoTaskMemFree(text);
  return out;
}

// The token's description, its key's default value.
bool ReadDescription(ISpObjectToken* token, std::wstring* description) {
  wchar_t* text = nullptr;
  if (FAILED(token->GetStringValue(nullptr, &text)) || !text) return false;
  *description = TakeString(text);
  return true;
}

// The "Language" attribute ("804", "804;409"); empty when there is none.
std::wstring ReadLanguage(ISpObjectToken* token) {
  fw::ComPtr<ISpDataKey> attributes;
  if (FAILED(token->OpenKey(L"Attributes", attributes.put())) || !attributes) return std::wstring();
  wchar_t* text = nullptr;
  if (FAILED(attributes->GetStringValue(L"Language", &text))) return std::wstring();
  return TakeString(text);
}

// The language-pack voices; none when their key is missing or unreadable.
void ReadLanguagePackVoices(std::vector<fw::ComPtr<ISpObjectToken>>* tokens,
                            std::vector<bimbly::VoiceTokenInfo>* infos) {
  fw::ComPtr<ISpObjectTokenCategory> category;
  fw::ComPtr<IEnumSpObjectTokens> list;
  ULONG count = 0;
  if (FAILED(::CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL, IID_ISpObjectTokenCategory,
                                reinterpret_cast<void**>(category.put()))) ||
      FAILED(category->SetId(kLanguagePackVoices, FALSE)) ||
      FAILED(category->EnumTokens(nullptr, nullptr, list.put())) || !list || FAILED(list->GetCount(&count)))
    return;
  for (ULONG i = 0; i < count; ++i) {
    fw::ComPtr<ISpObjectToken> token;
    bimbly::VoiceTokenInfo info;
    if (FAILED(list->Next(1, token.put(), nullptr)) || !token || !ReadDescription(token.get(), &info.description))
      break;
    info.language = ReadLanguage(token.get());
    tokens->push_back(std::move(token));
    infos->push_back(std::move(info));
  }
}

class SapiSpeechEngine final : public ISpeechEngine {
 public:
  ~SapiSpeechEngine() override {
    // Released in the order voice, token, enumerator, category.
    english_.reset();
    voice_.reset();
    englishToken_.reset();
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
    // A second voice for second-language names; without it names are said in Chinese only.
    if (FAILED(::CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice,
                                  reinterpret_cast<void**>(english_.put()))))
      english_.reset();
    return true;
  }

  bool ChooseVoice(const char* filter, bool atStart) override {
    if (!atStart) {
      tokens_.reset();
      if (FAILED(category_->EnumTokens(nullptr, nullptr, tokens_.put()))) return false;
      if (count_ == 0) return true;
    }
    std::vector<fw::ComPtr<ISpObjectToken>> voices;
    std::vector<bimbly::VoiceTokenInfo> infos;
    for (ULONG i = 0; i < count_; ++i) {
      fw::ComPtr<ISpObjectToken> token;
      if (FAILED(tokens_->Next(1, token.put(), nullptr)) || !token) return false;
      bimbly::VoiceTokenInfo info;
      if (!ReadDescription(token.get(), &info.description)) return false;
      info.language = ReadLanguage(token.get());
      voices.push_back(std::move(token));
      infos.push_back(std::move(info));
    }
    const std::wstring wanted = fw::GbkToWide(filter);
    bimbly::VoiceChoice choice = bimbly::ChooseVoice(infos, {}, wanted);
    bimbly::VoiceChoice english = bimbly::ChooseEnglishVoice(infos, {});
    std::vector<fw::ComPtr<ISpObjectToken>> packVoices;
    if (choice.source == bimbly::VoiceChoice::Source::kNone || english.source == bimbly::VoiceChoice::Source::kNone) {
      // Current systems register the voices of their language packs apart;
      // the same voice object speaks with those tokens too.
      std::vector<bimbly::VoiceTokenInfo> packInfos;
      ReadLanguagePackVoices(&packVoices, &packInfos);
      choice = bimbly::ChooseVoice(infos, packInfos, wanted);
      english = bimbly::ChooseEnglishVoice(infos, packInfos);
    }
    ChooseEnglish(english, voices, packVoices);
    fw::ComPtr<ISpObjectToken>* chosen = Pick(choice, voices, packVoices);
    if (!chosen) return true;  // the voice keeps what it had
    token_ = std::move(*chosen);
    if (atStart) voice_->Speak(nullptr, kSpeakPurge, nullptr);
    return SUCCEEDED(voice_->SetVoice(token_.get()));
  }

  void SetSyncSpeakTimeout(DWORD ms) override { voice_->SetSyncSpeakTimeout(ms); }

  void Speak(const wchar_t* text) override { voice_->Speak(text, kSpeakAsync | kSpeakPlainText, nullptr); }

  bool HasEnglishVoice() override { return english_ && englishToken_; }

  void SpeakEnglish(const wchar_t* text) override {
    if (HasEnglishVoice()) english_->Speak(text, kSpeakAsync | kSpeakPurge | kSpeakPlainText, nullptr);
  }

  void HushEnglish() override {
    if (HasEnglishVoice()) english_->Speak(nullptr, kSpeakAsync | kSpeakPurge, nullptr);
  }

  bool VoiceDone() override { return voice_->WaitUntilDone(0) == S_OK; }

  bool SetRate(long rate) override {
    if (english_) english_->SetRate(rate);
    return SUCCEEDED(voice_->SetRate(rate));
  }

  bool Stop() override {
    if (HasEnglishVoice() && SUCCEEDED(english_->Speak(nullptr, kSpeakAsync | kSpeakPurge, nullptr)))
      english_->WaitUntilDone(INFINITE);
    if (FAILED(voice_->Speak(nullptr, kSpeakAsync | kSpeakPurge, nullptr))) return false;
    voice_->WaitUntilDone(INFINITE);
    return true;
  }

  void Quit() override {
    if (HasEnglishVoice()) english_->Speak(nullptr, kSpeakPurge, nullptr);
    voice_->Speak(nullptr, kSpeakPurge, nullptr);
  }

 private:
  static fw::ComPtr<ISpObjectToken>* Pick(const bimbly::VoiceChoice& choice,
                                          std::vector<fw::ComPtr<ISpObjectToken>>& voices,
                                          std::vector<fw::ComPtr<ISpObjectToken>>& packVoices) {
    switch (choice.source) {
      case bimbly::VoiceChoice::Source::kVoices:
        return &voices[choice.index];
      case bimbly::VoiceChoice::Source::kLanguagePackVoices:
        return &packVoices[choice.index];
      case bimbly::VoiceChoice::Source::kNone:
        break;
    }
    return nullptr;
  }

  // Gives the English voice its token; one it cannot take means no English voice.
  void ChooseEnglish(const bimbly::VoiceChoice& choice, std::vector<fw::ComPtr<ISpObjectToken>>& voices,
                     std::vector<fw::ComPtr<ISpObjectToken>>& packVoices) {
    englishToken_.reset();
    fw::ComPtr<ISpObjectToken>* chosen = english_ ? Pick(choice, voices, packVoices) : nullptr;
    if (!chosen) return;
    // Copied, not taken: the same token may be the Chinese voice's too.
    ISpObjectToken* token = chosen->get();
    token->AddRef();
    *englishToken_.put() = token;
    if (FAILED(english_->SetVoice(englishToken_.get()))) englishToken_.reset();
  }

  fw::ComPtr<ISpObjectTokenCategory> category_;
  fw::ComPtr<IEnumSpObjectTokens> tokens_;
  fw::ComPtr<ISpObjectToken> token_;
  fw::ComPtr<ISpVoice> voice_;
  fw::ComPtr<ISpObjectToken> englishToken_;
  fw::ComPtr<ISpVoice> english_;  // second-language names
  ULONG count_ = 0;
};

}  // namespace

namespace speech {

std::unique_ptr<ISpeechEngine> CreateSapiSpeechEngine() { return std::make_unique<SapiSpeechEngine>(); }

}  // namespace speech
