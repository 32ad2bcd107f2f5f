// config.ini beside the program: read at the moment a value is needed, never
// cached, through the platform's profile functions. Missing files and keys mean
// the defaults; writes that fail are ignored.
#pragma once

#include <string>

#include "core/settings_rules.h"

namespace settings {

std::wstring GetConfigFilePath();

// At most 2047 characters; `defaultText` when the key or file is missing.
std::wstring ReadConfigString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText,
                              const std::wstring& filePath);

// The platform's profile-int read: the default when the key is missing or
// empty, else the number at the start of the value (0 when there is none).
int ReadConfigInt(const wchar_t* section, const wchar_t* key, int defaultValue, const std::wstring& filePath);

bool WriteConfigString(const wchar_t* section, const wchar_t* key, const std::wstring& value,
                       const std::wstring& filePath);

// Writes "Style"/"Choose" as decimal text.
bool WriteStyleChoice(const std::wstring& filePath, int style);

// Interpreted reads used by the launcher, the game host and the updater.
bool ReadRemindOn(const std::wstring& configPath = GetConfigFilePath());
int ReadTimeLimitMinutes(const std::wstring& configPath = GetConfigFilePath());
bool ReadAutoUpdate(const std::wstring& configPath = GetConfigFilePath());
bimbly::SpeakLanguage ReadSpeakLanguage(const std::wstring& configPath = GetConfigFilePath());
bool ReadQuietOn(const std::wstring& configPath = GetConfigFilePath());
// Both of the above: how names are read aloud.
bimbly::NameSpeaking ReadNameSpeaking(const std::wstring& configPath = GetConfigFilePath());

}  // namespace settings
