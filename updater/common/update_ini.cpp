#include "updater/common/update_ini.h"

#include <windows.h>

using namespace bimbly::update;

std::wstring IniRead(const std::wstring& file, const std::wstring& section, const wchar_t* key) {
  std::wstring buf(2048, L'\0');
  const DWORD n = ::GetPrivateProfileStringW(section.c_str(), key, L"", buf.data(), static_cast<DWORD>(buf.size()),
                                             file.c_str());
  buf.resize(n < buf.size() ? n : buf.size() - 1);
  return buf;
}

bool IniWrite(const std::wstring& file, const std::wstring& section, const wchar_t* key, const std::wstring& value) {
  return ::WritePrivateProfileStringW(section.c_str(), key, value.c_str(), file.c_str()) != FALSE;
}

std::vector<ManifestEntry> ReadFileEntries(const std::wstring& iniPath) {
  std::vector<ManifestEntry> entries;
  ForEachListEntry([&](int n) {
    const std::wstring section = ListName(L"File", n);
    ManifestEntry e;
    e.file = IniRead(iniPath, section, upkey::kFile);
    if (e.file.empty()) return false;
    e.size = IniRead(iniPath, section, upkey::kSize);
    e.runonce = IniRead(iniPath, section, upkey::kRunOnce);
    e.check = IniRead(iniPath, section, upkey::kCheck);
    e.sha256 = IniRead(iniPath, section, upkey::kSha256);
    ForEachListEntry([&](int u) {
      std::wstring url = IniRead(iniPath, section, ListName(L"url", u).c_str());
      if (url.empty()) return false;
      e.urls.push_back(std::move(url));
      return true;
    });
    entries.push_back(std::move(e));
    return true;
  });
  return entries;
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
