#include <gtest/gtest.h>

#include "core/play_time.h"
#include "core/voice_choice.h"

using namespace bimbly;

TEST(PlayTime, TheTimerPeriodNeverWrapsIntoAShortGame) {
  struct {
    std::uint32_t read, minutes, periodMs;
  } cases[] = {
      {0, 0, 0},                    // at once
      {10, 10, 600000},
      {1440, 1440, 86400000},
      {1441, 1440, 86400000},
      {71583, 1440, 86400000},      // would wrap to about 13 seconds
      {0xFFFFFFFFu, 1440, 86400000},  // "-1" as the profile read hands it over
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClampTimeLimitMinutes(c.read), c.minutes) << c.read;
    EXPECT_EQ(TimeLimitPeriodMs(c.read), c.periodMs) << c.read;
  }
}

TEST(VoiceChoice, DescriptionFirstThenSimplifiedChineseThenLanguagePacks) {
  const std::wstring filter = L"Microsoft Simplified Chinese";
  const VoiceTokenInfo english{L"Microsoft David Desktop - English (United States)", L"409"};
  const VoiceTokenInfo huihui{L"Microsoft Huihui Desktop - Chinese (Simplified)", L"804"};
  const VoiceTokenInfo old{L"Microsoft Simplified Chinese", L"804;409"};
  const VoiceTokenInfo taiwan{L"Microsoft Hanhan Desktop - Chinese (Taiwan)", L"404"};
  const VoiceTokenInfo bare{L"Some voice", L""};
  using S = VoiceChoice::Source;
  struct {
    const char* name;
    std::vector<VoiceTokenInfo> voices, packs;
    S source;
    std::size_t index;
  } cases[] = {
      {"only English: the default voice", {english}, {}, S::kNone, 0},
      {"English and Chinese by language", {english, huihui}, {}, S::kVoices, 1},
      {"the description wins over an earlier language match", {huihui, english, old}, {}, S::kVoices, 2},
      {"Taiwan is not Simplified Chinese", {taiwan, bare}, {}, S::kNone, 0},
      {"language packs when the speech key has none", {english}, {english, huihui}, S::kLanguagePackVoices, 1},
      {"the speech key before the language packs", {english, huihui}, {huihui}, S::kVoices, 1},
      {"no voices at all", {}, {}, S::kNone, 0},
  };
  for (const auto& c : cases) {
    const VoiceChoice got = ChooseVoice(c.voices, c.packs, filter);
    EXPECT_EQ(got.source, c.source) << c.name;
    if (c.source != S::kNone) EXPECT_EQ(got.index, c.index) << c.name;
  }
  // The English voice: 409 or 809, the speech key before the language packs.
  const VoiceTokenInfo british{L"Microsoft Hazel Desktop - English (Great Britain)", L"809"};
  EXPECT_EQ(ChooseEnglishVoice({huihui, taiwan}, {}).source, S::kNone);
  EXPECT_EQ(ChooseEnglishVoice({huihui, british, english}, {english}).index, 1u);
  const VoiceChoice pack = ChooseEnglishVoice({huihui}, {taiwan, english});
  EXPECT_EQ(pack.source, S::kLanguagePackVoices);
  EXPECT_EQ(pack.index, 1u);
}

TEST(VoiceChoice, LanguageListsAreHexadecimalIdsSeparatedBySemicolons) {
  for (const wchar_t* yes : {L"804", L"409;804", L"804;409", L"0804", L" 804 ", L"804;"})
    EXPECT_TRUE(LanguageListIncludes(yes, kSimplifiedChineseLanguage)) << yes;
  for (const wchar_t* no : {L"", L"8040", L"1804", L"80", L"409", L"2052", L"x804", L";;"})
    EXPECT_FALSE(LanguageListIncludes(no, kSimplifiedChineseLanguage)) << no;
}
