#include "core/settings_rules.h"

#include <gtest/gtest.h>

using namespace bimbly;

TEST(SettingsRules, OnlyExactLowercaseValuesSwitchOn) {
  EXPECT_TRUE(IsRemindOn(L"y"));
  for (const wchar_t* v : {L"Y", L"yes", L"y ", L" y", L"", L"n"}) EXPECT_FALSE(IsRemindOn(v)) << v;
  EXPECT_TRUE(IsAutoMode(L"auto"));
  for (const wchar_t* v : {L"AUTO", L"Auto", L"auto ", L"", L"manu"}) EXPECT_FALSE(IsAutoMode(v)) << v;
  EXPECT_TRUE(IsQuietOn(L"y"));
  for (const wchar_t* v : {L"Y", L"", L"n", L"yes"}) EXPECT_FALSE(IsQuietOn(v)) << v;
  EXPECT_EQ(SpeakLanguageFrom(L"en"), SpeakLanguage::kEnglish);
  EXPECT_EQ(SpeakLanguageFrom(L"both"), SpeakLanguage::kBoth);
  for (const wchar_t* v : {L"zh", L"", L"EN", L"Both", L"en "}) EXPECT_EQ(SpeakLanguageFrom(v), SpeakLanguage::kChinese) << v;
}

TEST(SettingsRules, StyleChoiceIsWrittenAsSignedDecimal) {
  EXPECT_EQ(StyleChoiceText(-1), L"-1");
  EXPECT_EQ(StyleChoiceText(0), L"0");
  EXPECT_EQ(StyleChoiceText(3), L"3");
  EXPECT_EQ(StyleChoiceText(-2147483647 - 1), L"-2147483648");
}

TEST(SettingsRules, AutomaticStyleFollowsTheDayOfTheMonth) {
  EXPECT_EQ(StyleForDayOfMonth(31), 3);
  EXPECT_EQ(StyleForDayOfMonth(4), 0);
  EXPECT_EQ(StyleForDayOfMonth(1), 1);
  EXPECT_EQ(StyleForDayOfMonth(30), 2);
  EXPECT_EQ(StyleForDayOfMonth(0), 0);  // date unknown
  for (int d = 0; d <= 31; ++d) {
    EXPECT_GE(StyleForDayOfMonth(d), 0);
    EXPECT_LE(StyleForDayOfMonth(d), 3);  // style 4 is never chosen automatically
  }
}

#include "core/style_table.h"

TEST(StyleTable, UnknownStylesFallBackToDefaultColoursAndMixedPictures) {
  for (int style : {-1, 5, 9}) {
    const StyleEntry& s = StyleFor(style);
    EXPECT_EQ(s.tree.r, 214);
    EXPECT_EQ(s.bar.b, 235);
    EXPECT_EQ(std::wstring(s.pictureName), L"BACK_GROUND_IMAGE0");
    EXPECT_EQ(std::wstring(s.listPictureName), L"LIST_BACK_GROUND_IMAGE1");
  }
  EXPECT_EQ(std::wstring(StyleFor(4).pictureName), L"BACK_GROUND_IMAGE4");
  EXPECT_EQ(std::wstring(StyleFor(4).listPictureName), L"LIST_BACK_GROUND_IMAGE4");
  EXPECT_EQ(StyleFor(1).outerBorder.g, 158);
  EXPECT_EQ(StyleFor(3).bar.g, 215);
}

// The style of a run from "Style"/"Mode", "Choose" and the day, and the row it gets.
TEST(StyleTable, StyleOfTheRunAndItsRow) {
  struct Case {
    const wchar_t* mode;
    int choose, day;
    int style;
    const wchar_t *picture, *listPicture, *name;
  };
  const Case cases[] = {
      {L"auto", 2, 31, 3, L"BACK_GROUND_IMAGE3", L"LIST_BACK_GROUND_IMAGE3", L"\u7C89\u8272"},
      {L"auto", 2, 4, 0, L"BACK_GROUND_IMAGE0", L"LIST_BACK_GROUND_IMAGE0", L"\u9ED8\u8BA4"},
      {L"Auto", 1, 4, 1, L"BACK_GROUND_IMAGE1", L"LIST_BACK_GROUND_IMAGE1", L"\u6DE1\u84DD"},  // not exactly "auto"
      {L"manu", 4, 31, 4, L"BACK_GROUND_IMAGE4", L"LIST_BACK_GROUND_IMAGE4", nullptr},
      {L"manu", 9, 31, 9, L"BACK_GROUND_IMAGE0", L"LIST_BACK_GROUND_IMAGE1", nullptr},
      {L"manu", -1, 31, -1, L"BACK_GROUND_IMAGE0", L"LIST_BACK_GROUND_IMAGE1", nullptr},
  };
  for (const Case& c : cases) {
    const int style = StyleOfRun(c.mode, c.choose, c.day);
    EXPECT_EQ(style, c.style) << c.choose << " " << c.day;
    const StyleEntry& row = StyleFor(style);
    EXPECT_EQ(std::wstring(row.pictureName), c.picture) << style;
    EXPECT_EQ(std::wstring(row.listPictureName), c.listPicture) << style;
    EXPECT_EQ(row.settingsName == nullptr, c.name == nullptr) << style;
    if (c.name && row.settingsName) {
      EXPECT_EQ(std::wstring(row.settingsName), c.name) << style;
    }
    if (style >= 4 || style < 0) {
      EXPECT_EQ(row.tree.g, StyleFor(0).tree.g);  // colours of style 0
    }
  }
}

#include "core/exit_word.h"

TEST(ExitWord, OnlyTheExactLowercaseWordLeaves) {
  EXPECT_TRUE(IsExitWord(L"exit"));
  for (const wchar_t* w : {L"Exit", L"EXIT", L"exit ", L" exit", L"tiex", L"exitexit", L"", L"exi"})
    EXPECT_FALSE(IsExitWord(w)) << w;
}

TEST(ExitWord, CountdownShowsNineToZeroThenCancelsOnTheEleventhTick) {
  int seconds = 10;
  for (int expected = 9; expected >= 0; --expected) EXPECT_EQ(CountdownAfterTick(seconds), expected);
  EXPECT_EQ(CountdownAfterTick(seconds), -1);
}
