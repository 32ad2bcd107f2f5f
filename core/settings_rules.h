// How the values of config.ini are interpreted. Platform-free so that the rules
// are tested on their own; the file access lives in the launcher's settings store.
#pragma once

#include <string>
#include <string_view>

namespace bimbly {

// Sections, keys and defaults of config.ini.
namespace config {
inline constexpr wchar_t kOperation[] = L"Operation";
inline constexpr wchar_t kRemind[] = L"Remind";
inline constexpr wchar_t kTimeLimit[] = L"TimeLimit";
inline constexpr wchar_t kUpdate[] = L"Update";
inline constexpr wchar_t kStyle[] = L"Style";
inline constexpr wchar_t kMode[] = L"Mode";
inline constexpr wchar_t kChoose[] = L"Choose";
inline constexpr wchar_t kSpeak[] = L"Speak";
inline constexpr wchar_t kQuiet[] = L"Quiet";

inline constexpr wchar_t kRemindOn[] = L"y";
inline constexpr wchar_t kRemindOff[] = L"n";
inline constexpr wchar_t kAuto[] = L"auto";
inline constexpr wchar_t kManual[] = L"manu";
inline constexpr wchar_t kSpeakChinese[] = L"zh";
inline constexpr wchar_t kSpeakEnglish[] = L"en";
inline constexpr wchar_t kSpeakBoth[] = L"both";
inline constexpr wchar_t kQuietOn[] = L"y";
inline constexpr wchar_t kQuietOff[] = L"n";

inline constexpr wchar_t kDefaultRemind[] = L"y";
inline constexpr int kDefaultTimeLimitMinutes = 20;
inline constexpr wchar_t kDefaultUpdateMode[] = L"auto";
inline constexpr wchar_t kDefaultStyleMode[] = L"auto";
inline constexpr int kDefaultStyleChoice = 0;
inline constexpr wchar_t kDefaultSpeak[] = L"zh";
inline constexpr wchar_t kDefaultQuiet[] = L"n";

// Profile string reads go through a buffer of this many characters.
inline constexpr int kValueBufferChars = 2048;
}  // namespace config

// Values are compared exactly and case-sensitively: "Y", "Auto" or an empty
// value all mean off or manual.
inline bool IsRemindOn(std::wstring_view value) { return value == config::kRemindOn; }
inline bool IsAutoMode(std::wstring_view value) { return value == config::kAuto; }

// Which names are read aloud ("Operation"/"Speak"). The numbers travel to the
// play modules in their start block, so they never change.
enum class SpeakLanguage : int { kChinese = 0, kEnglish = 1, kBoth = 2 };

// "en" and "both" exactly; anything else, absent included, is Chinese.
SpeakLanguage SpeakLanguageFrom(std::wstring_view value);
const wchar_t* SpeakLanguageText(SpeakLanguage language);
// A number from a start block; unknown numbers are Chinese.
SpeakLanguage SpeakLanguageFromNumber(int number);

// Quiet mode ("Operation"/"Quiet"): only "y" is on.
inline bool IsQuietOn(std::wstring_view value) { return value == config::kQuietOn; }

// How names are read aloud: in which language, or, in quiet mode, not at all.
struct NameSpeaking {
  SpeakLanguage language = SpeakLanguage::kChinese;
  bool quiet = false;
};

// The decimal text that "Style"/"Choose" is written as.
std::wstring StyleChoiceText(int style);

// Style of the day in automatic mode: day of the month (1-31, 0 when the date is
// unknown) modulo 4.
int StyleForDayOfMonth(int day);

}  // namespace bimbly
