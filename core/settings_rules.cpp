#include "settings_rules.h"

namespace bimbly {

std::wstring StyleChoiceText(int style) { return std::to_wstring(style); }

SpeakLanguage SpeakLanguageFrom(std::wstring_view value) {
  if (value == config::kSpeakEnglish) return SpeakLanguage::kEnglish;
  if (value == config::kSpeakBoth) return SpeakLanguage::kBoth;
  return SpeakLanguage::kChinese;
}

const wchar_t* SpeakLanguageText(SpeakLanguage language) {
  switch (language) {
    case SpeakLanguage::kEnglish:
      return config::kSpeakEnglish;
    case SpeakLanguage::kBoth:
      return config::kSpeakBoth;
    case SpeakLanguage::kChinese:
      break;
  }
  return config::kSpeakChinese;
}

SpeakLanguage SpeakLanguageFromNumber(int number) {
  switch (number) {
    case static_cast<int>(SpeakLanguage::kEnglish):
      return SpeakLanguage::kEnglish;
    case static_cast<int>(SpeakLanguage::kBoth):
      return SpeakLanguage::kBoth;
    default:
      return SpeakLanguage::kChinese;
  }
}

int StyleForDayOfMonth(int day) {
  if (day < 0) day = 0;
  return day % 4;
}

}  // namespace bimbly
