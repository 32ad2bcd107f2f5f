// Which installed voice speaks the names. Platform-free: the speech engine
// hands in what it read from its voice tokens and uses the answer.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bimbly {

// What a voice token tells about itself: its description (the key's default
// value) and its "Language" attribute, a list of hexadecimal language ids
// separated by semicolons ("804", "804;409"); empty when it has none.
struct VoiceTokenInfo {
  std::wstring description;
  std::wstring language;
};

// Simplified Chinese (People's Republic of China).
inline constexpr unsigned kSimplifiedChineseLanguage = 0x804;
// English (United States) and English (United Kingdom).
inline constexpr unsigned kUsEnglishLanguage = 0x409;
inline constexpr unsigned kUkEnglishLanguage = 0x809;

// Whether a "Language" attribute lists the language id.
bool LanguageListIncludes(const std::wstring& languages, unsigned languageId);

// Where the chosen token lies: in the voices of the speech key or in those
// of the key where language packs register theirs; none keeps the default voice.
struct VoiceChoice {
  enum class Source { kNone, kVoices, kLanguagePackVoices } source = Source::kNone;
  std::size_t index = 0;
};

// The first voice whose description contains the filter (case-sensitive);
// failing that, the first voice that speaks Simplified Chinese; failing that,
// the first language-pack voice that does.
VoiceChoice ChooseVoice(const std::vector<VoiceTokenInfo>& voices,
                        const std::vector<VoiceTokenInfo>& languagePackVoices, const std::wstring& filter);

// The voice for second-language names: the first voice that speaks English
// (409 or 809), failing that the first such language-pack voice.
VoiceChoice ChooseEnglishVoice(const std::vector<VoiceTokenInfo>& voices,
                               const std::vector<VoiceTokenInfo>& languagePackVoices);

}  // namespace bimbly
