// Small file helpers shared by the programs: the one INI string read, and a
// file written whole beside its place and renamed over it.
#pragma once

#include <cstddef>
#include <string>

namespace fw {

// A value read with the profile functions; `fallback` when missing. Values
// longer than `capacity` characters are cut there.
std::wstring ReadIniString(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                           const wchar_t* fallback = L"", std::size_t capacity = 2048);

// Writes `size` bytes to "<path>.~new", through to the disk, and renames it
// over `path` in one step: a cut at any moment leaves the old file or the new
// one, never a part. False (the old file untouched) on any failure.
bool WriteFileAtomically(const std::wstring& path, const void* data, std::size_t size);

}  // namespace fw
