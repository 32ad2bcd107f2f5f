#include "core/voice_choice.h"

#include <cwctype>

namespace bimbly {

namespace {

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

bool SpeaksChinese(const VoiceTokenInfo& voice) {
  return LanguageListIncludes(voice.language, kSimplifiedChineseLanguage);
}

bool SpeaksEnglish(const VoiceTokenInfo& voice) {
  return LanguageListIncludes(voice.language, kUsEnglishLanguage) ||
         LanguageListIncludes(voice.language, kUkEnglishLanguage);
}

bool FirstSpeaking(const std::vector<VoiceTokenInfo>& voices, std::size_t* index,
                   bool (*speaks)(const VoiceTokenInfo&) = SpeaksChinese) {
  for (std::size_t i = 0; i < voices.size(); ++i) {
    if (speaks(voices[i])) {
      *index = i;
      return true;
    }
  }
  return false;
}

}  // namespace

bool LanguageListIncludes(const std::wstring& languages, unsigned languageId) {
  std::size_t pos = 0;
  while (pos <= languages.size()) {
    std::size_t end = languages.find(L';', pos);
    if (end == std::wstring::npos) end = languages.size();
    std::size_t a = pos, b = end;
    while (a < b && std::iswspace(languages[a])) ++a;
    while (b > a && std::iswspace(languages[b - 1])) --b;
    // A language id has at most four hexadecimal digits.
    if (b > a && b - a <= 4) {
      unsigned value = 0;
      bool ok = true;
      for (std::size_t i = a; i < b && ok; ++i) {
        const int d = HexDigit(languages[i]);
        ok = d >= 0;
        value = value * 16 + static_cast<unsigned>(d);
      }
      if (ok && value == languageId) return true;
    }
    pos = end + 1;
  }
  return false;
}

VoiceChoice ChooseVoice(const std::vector<VoiceTokenInfo>& voices,
                        const std::vector<VoiceTokenInfo>& languagePackVoices, const std::wstring& filter) {
  VoiceChoice choice;
  for (std::size_t i = 0; i < voices.size(); ++i) {
    if (voices[i].description.find(filter) != std::wstring::npos) {
      choice.source = VoiceChoice::Source::kVoices;
      choice.index = i;
      return choice;
    }
  }
  if (FirstSpeaking(voices, &choice.index)) {
    choice.source = VoiceChoice::Source::kVoices;
  } else if (FirstSpeaking(languagePackVoices, &choice.index)) {
    choice.source = VoiceChoice::Source::kLanguagePackVoices;
  }
  return choice;
}

VoiceChoice ChooseEnglishVoice(const std::vector<VoiceTokenInfo>& voices,
                               const std::vector<VoiceTokenInfo>& languagePackVoices) {
  VoiceChoice choice;
  if (FirstSpeaking(voices, &choice.index, SpeaksEnglish)) {
    choice.source = VoiceChoice::Source::kVoices;
  } else if (FirstSpeaking(languagePackVoices, &choice.index, SpeaksEnglish)) {
    choice.source = VoiceChoice::Source::kLanguagePackVoices;
  }
  return choice;
}

}  // namespace bimbly
