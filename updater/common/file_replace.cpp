#include "updater/common/file_replace.h"

#include <windows.h>

#include <vector>

#include "framework/handles.h"

bool FileExists(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring FullPathOf(const std::wstring& path) {
  std::vector<wchar_t> buf(MAX_PATH * 2);
  const DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
  if (n == 0 || n >= buf.size()) return {};
  return std::wstring(buf.data(), n);
}

bool MoveReplacing(const std::wstring& from, const std::wstring& to) {
  return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool ReplaceFileAtomically(const std::wstring& source, const std::wstring& target) {
  // One fixed name: a copy left by a run that was killed is simply overwritten by the next.
  const std::wstring temp = target + L".~update";
  ::SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!::CopyFileW(source.c_str(), temp.c_str(), FALSE)) return false;
  {
    // The bytes reach the disk before the name points at them. A virus
    // scanner may hold the new copy open: share with it, and if the copy
    // still cannot be opened or flushed, the replacement has failed.
    fw::UniqueFile f(::CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f || !::FlushFileBuffers(f.get())) {
      f.reset();
      ::DeleteFileW(temp.c_str());
      return false;
    }
  }
  ::SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (FileExists(target)) ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (MoveReplacing(temp, target)) return true;
  ::DeleteFileW(temp.c_str());
  return false;
}

bool EnsureDirectory(const std::wstring& path) {
  std::wstring p = path;
  while (!p.empty() && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
  if (p.empty()) return false;
  const DWORD a = ::GetFileAttributesW(p.c_str());
  if (a != INVALID_FILE_ATTRIBUTES) return (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const auto slash = p.find_last_of(L"\\/");
  if (slash != std::wstring::npos && slash > 2) EnsureDirectory(p.substr(0, slash));
  return ::CreateDirectoryW(p.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}
