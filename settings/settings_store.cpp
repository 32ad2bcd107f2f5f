#include "settings/settings_store.h"

#include <windows.h>

#include "core/program_paths.h"
#include "core/settings_rules.h"
#include "framework/files.h"
#include "framework/text.h"

namespace settings {

using namespace bimbly;

std::wstring GetConfigFilePath() { return ConfigPathFor(fw::GetModulePath(nullptr)); }

std::wstring ReadConfigString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText,
                              const std::wstring& filePath) {
  return fw::ReadIniString(filePath, section, key, defaultText, config::kValueBufferChars - 1);
}

int ReadConfigInt(const wchar_t* section, const wchar_t* key, int defaultValue, const std::wstring& filePath) {
  return static_cast<int>(::GetPrivateProfileIntW(section, key, defaultValue, filePath.c_str()));
}

bool WriteConfigString(const wchar_t* section, const wchar_t* key, const std::wstring& value,
                       const std::wstring& filePath) {
  return ::WritePrivateProfileStringW(section, key, value.c_str(), filePath.c_str()) != FALSE;
}

bool WriteStyleChoice(const std::wstring& filePath, int style) {
  return WriteConfigString(config::kStyle, config::kChoose, StyleChoiceText(style), filePath);
}

bool ReadRemindOn(const std::wstring& configPath) {
  return IsRemindOn(ReadConfigString(config::kOperation, config::kRemind, config::kDefaultRemind, configPath));
}

int ReadTimeLimitMinutes(const std::wstring& configPath) {
  return ReadConfigInt(config::kOperation, config::kTimeLimit, config::kDefaultTimeLimitMinutes, configPath);
}

bool ReadAutoUpdate(const std::wstring& configPath) {
  return IsAutoMode(ReadConfigString(config::kUpdate, config::kMode, config::kDefaultUpdateMode, configPath));
}

SpeakLanguage ReadSpeakLanguage(const std::wstring& configPath) {
  return SpeakLanguageFrom(ReadConfigString(config::kOperation, config::kSpeak, config::kDefaultSpeak, configPath));
}

bool ReadQuietOn(const std::wstring& configPath) {
  return IsQuietOn(ReadConfigString(config::kOperation, config::kQuiet, config::kDefaultQuiet, configPath));
}

NameSpeaking ReadNameSpeaking(const std::wstring& configPath) {
  return NameSpeaking{ReadSpeakLanguage(configPath), ReadQuietOn(configPath)};
}

}  // namespace settings
