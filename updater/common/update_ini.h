// The update files: INI lists read and written through the profile functions.
#pragma once

#include <string>
#include <vector>

#include "core/update_rules.h"

std::wstring IniRead(const std::wstring& file, const std::wstring& section, const wchar_t* key);
bool IniWrite(const std::wstring& file, const std::wstring& section, const wchar_t* key, const std::wstring& value);

// The "File" entries of a manifest or of update.ini, up to the first empty "file".
std::vector<bimbly::update::ManifestEntry> ReadFileEntries(const std::wstring& iniPath);
// Writes one entry as section "File"+n with its keys and url0, url1, ...
void WriteFileEntry(const std::wstring& iniPath, int n, const bimbly::update::ManifestEntry& entry);

// Keys of the update files.
namespace upkey {
inline constexpr wchar_t kVersion[] = L"Version";
inline constexpr wchar_t kVer[] = L"ver";
inline constexpr wchar_t kSerial[] = L"serial";
inline constexpr wchar_t kPath[] = L"path";
inline constexpr wchar_t kFile[] = L"file";
inline constexpr wchar_t kSize[] = L"size";
inline constexpr wchar_t kRunOnce[] = L"runonce";
inline constexpr wchar_t kCheck[] = L"check";
inline constexpr wchar_t kSha256[] = L"sha256";
inline constexpr wchar_t kSource[] = L"source";
inline constexpr wchar_t kDest[] = L"dest";
inline constexpr wchar_t kRun[] = L"Run";
inline constexpr wchar_t kTrue[] = L"true";
}  // namespace upkey
