#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/test_folder.h"

using namespace settings;

namespace {

struct Settings {
  std::wstring remind, updateMode, styleMode;
  int timeLimit, styleChoice;
};

Settings ReadAll(const std::wstring& path) {
  return {ReadConfigString(L"Operation", L"Remind", L"y", path), ReadConfigString(L"Update", L"Mode", L"auto", path),
          ReadConfigString(L"Style", L"Mode", L"auto", path), ReadConfigInt(L"Operation", L"TimeLimit", 20, path),
          ReadConfigInt(L"Style", L"Choose", 0, path)};
}

void ExpectDefaults(const std::wstring& path) {
  const Settings s = ReadAll(path);
  EXPECT_EQ(s.remind, L"y");
  EXPECT_EQ(s.updateMode, L"auto");
  EXPECT_EQ(s.styleMode, L"auto");
  EXPECT_EQ(s.timeLimit, 20);
  EXPECT_EQ(s.styleChoice, 0);
  EXPECT_TRUE(ReadRemindOn(path));
  EXPECT_EQ(ReadTimeLimitMinutes(path), 20);
  EXPECT_TRUE(ReadAutoUpdate(path));
}

}  // namespace

TEST(SettingsStore, MissingFileGivesEveryDefault) {
  TestFolder dir;
  ExpectDefaults(dir.File(L"config.ini"));
}

TEST(SettingsStore, ConfigPathIsBesideTheProgram) {
  const std::wstring path = GetConfigFilePath();
  wchar_t exe[MAX_PATH];
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe);
  dir.resize(dir.find_last_of(L'\\') + 1);
  EXPECT_EQ(path, dir + L"config.ini");
}

TEST(SettingsStore, ValuesAreMatchedExactlyAndCaseSensitively) {
  TestFolder dir;
  dir.Write(L"config.ini", "[Operation]\r\nRemind=Y\r\n[Update]\r\nMode=AUTO\r\n");
  EXPECT_FALSE(ReadRemindOn(dir.File(L"config.ini")));
  EXPECT_FALSE(ReadAutoUpdate(dir.File(L"config.ini")));

  dir.Write(L"config.ini", "[Operation]\r\nRemind=\r\n[Update]\r\nMode=\r\n");
  EXPECT_FALSE(ReadRemindOn(dir.File(L"config.ini")));
  EXPECT_FALSE(ReadAutoUpdate(dir.File(L"config.ini")));

  dir.Write(L"config.ini", "[Operation]\r\nRemind=y\r\n[Update]\r\nMode=auto\r\n");
  EXPECT_TRUE(ReadRemindOn(dir.File(L"config.ini")));
  EXPECT_TRUE(ReadAutoUpdate(dir.File(L"config.ini")));
}

TEST(SettingsStore, TimeLimitReadsTheLeadingNumber) {
  TestFolder dir;
  const std::wstring path = dir.File(L"config.ini");
  dir.Write(L"config.ini", "[Operation]\r\nTimeLimit=15abc\r\n");
  EXPECT_EQ(ReadTimeLimitMinutes(path), 15);
  dir.Write(L"config.ini", "[Operation]\r\nTimeLimit=abc\r\n");
  EXPECT_EQ(ReadTimeLimitMinutes(path), 0);
  dir.Write(L"config.ini", "[Operation]\r\nRemind=n\r\n");
  EXPECT_EQ(ReadTimeLimitMinutes(path), 20);
  dir.Write(L"config.ini", "[Operation]\r\nTimeLimit=30\r\n");
  EXPECT_EQ(ReadTimeLimitMinutes(path), 30);
}

TEST(SettingsStore, StyleChoiceIsWrittenAsSignedDecimalText) {
  TestFolder dir;
  const std::wstring path = dir.File(L"config.ini");
  EXPECT_TRUE(WriteStyleChoice(path, -1));
  EXPECT_EQ(ReadConfigString(L"Style", L"Choose", L"", path), L"-1");
  EXPECT_EQ(ReadConfigInt(L"Style", L"Choose", 0, path), -1);
  EXPECT_TRUE(WriteStyleChoice(path, 3));
  EXPECT_EQ(ReadConfigString(L"Style", L"Choose", L"", path), L"3");
  // Other keys of the file survive the write.
  EXPECT_TRUE(WriteConfigString(L"Operation", L"Remind", L"n", path));
  EXPECT_TRUE(WriteStyleChoice(path, 2));
  EXPECT_EQ(ReadConfigString(L"Operation", L"Remind", L"y", path), L"n");
}

TEST(SettingsStore, WritesIntoAMissingFolderFailQuietly) {
  TestFolder dir;
  const std::wstring path = dir.File(L"no-such-folder\\config.ini");
  EXPECT_FALSE(WriteStyleChoice(path, 2));
  EXPECT_FALSE(WriteConfigString(L"Operation", L"Remind", L"n", path));
  ExpectDefaults(path);
}

TEST(SettingsStore, BrokenFilesGiveDefaultsWithoutCrashing) {
  TestFolder dir;
  const std::wstring path = dir.File(L"config.ini");

  dir.Write(L"config.ini", "");
  ExpectDefaults(path);

  std::string garbage;
  unsigned seed = 12345;
  for (int i = 0; i < 64 * 1024; ++i) {
    seed = seed * 1103515245u + 12345u;
    char c = static_cast<char>(seed >> 16);
    if (c == '[' || c == '=') c = 'x';  // keep it from forming sections by chance
    garbage.push_back(c);
  }
  dir.Write(L"config.ini", garbage);
  ExpectDefaults(path);

  // A 10 MB file whose last lines hold real values: still read, and quickly enough.
  std::string huge;
  huge.reserve(10 * 1024 * 1024 + 200);
  while (huge.size() < 10 * 1024 * 1024) huge += "; padding line that means nothing at all ..........\r\n";
  huge += "[Operation]\r\nTimeLimit=10\r\n";
  dir.Write(L"config.ini", huge);
  EXPECT_EQ(ReadTimeLimitMinutes(path), 10);

  // An overlong value comes back cut to the buffer, never past it.
  dir.Write(L"config.ini", "[Update]\r\nMode=" + std::string(100000, 'a') + "\r\n");
  const std::wstring mode = ReadConfigString(L"Update", L"Mode", L"auto", path);
  EXPECT_LE(mode.size(), 2047u);
  EXPECT_FALSE(ReadAutoUpdate(path));
}
