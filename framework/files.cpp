#include "framework/files.h"

#include <windows.h>

#include <vector>

#include "framework/handles.h"

namespace fw {

std::wstring ReadIniString(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                           const wchar_t* fallback, std::size_t capacity) {
  std::vector<wchar_t> buf(capacity + 1, L'\0');
  const DWORD n = ::GetPrivateProfileStringW(section, key, fallback, buf.data(), static_cast<DWORD>(buf.size()),
                                             file.c_str());
  return std::wstring(buf.data(), n < buf.size() ? n : buf.size() - 1);
}

bool WriteFileAtomically(const std::wstring& path, const void* data, std::size_t size) {
  const std::wstring temp = path + L".~new";
  {
    UniqueFile file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!file) return false;
    DWORD written = 0;
    const bool ok = (size == 0 || (::WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr) &&
                                   written == size)) &&
                    ::FlushFileBuffers(file.get());
    if (!ok) {
      file.reset();
      ::DeleteFileW(temp.c_str());
      return false;
    }
  }
  if (::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  ::DeleteFileW(temp.c_str());
  return false;
}

}  // namespace fw
