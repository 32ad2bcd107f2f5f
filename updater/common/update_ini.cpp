#include "updater/common/update_ini.h"

#include <windows.h>

#include "framework/files.h"

using namespace bimbly::update;

std::wstring IniRead(const std::wstring& file, const std::wstring& section, const wchar_t* key) {
  return fw::ReadIniString(file, section.c_str(), key);
}

bool IniWrite(const std::wstring& file, const std::wstring& section, const wchar_t* key, const std::wstring& value) {
  return ::WritePrivateProfileStringW(section.c_str(), key, value.c_str(), file.c_str()) != FALSE;
}

std::vector<ManifestEntry> ReadFileEntries(const std::wstring& iniPath) {
  return ReadManifestEntries(
      [&](const std::wstring& section, const std::wstring& key) { return IniRead(iniPath, section, key.c_str()); });
}

void WriteFileEntry(const std::wstring& iniPath, int n, const ManifestEntry& e) {
  const std::wstring section = ListName(L"File", n);
  IniWrite(iniPath, section, upkey::kFile, e.file);
  IniWrite(iniPath, section, upkey::kSize, e.size);
  IniWrite(iniPath, section, upkey::kRunOnce, e.runonce);
  IniWrite(iniPath, section, upkey::kCheck, e.check);
  if (!e.sha256.empty()) IniWrite(iniPath, section, upkey::kSha256, e.sha256);
  for (std::size_t u = 0; u < e.urls.size(); ++u)
    IniWrite(iniPath, section, ListName(L"url", static_cast<int>(u)).c_str(), e.urls[u]);
}
