#include "tests/support/test_folder.h"

#include <shellapi.h>


TestFolder::TestFolder(const wchar_t* prefix) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  static LONG counter = 0;
  path_ = std::wstring(temp) + prefix + std::to_wstring(::GetCurrentProcessId()) + L"-" +
          std::to_wstring(::InterlockedIncrement(&counter));
  ::CreateDirectoryW(path_.c_str(), nullptr);
}

TestFolder::~TestFolder() {
  std::wstring from = path_;
  from.push_back(L'\0');  // double-terminated list for the shell
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  ::SHFileOperationW(&op);
}

void TestFolder::Write(const std::wstring& name, const std::string& bytes) const {
  HANDLE f = ::CreateFileW(File(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(f);
}

std::string TestFolder::Read(const std::wstring& name) const {
  HANDLE f = ::CreateFileW(File(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return std::string();
  std::string out;
  char buf[4096];
  DWORD got = 0;
  while (::ReadFile(f, buf, sizeof(buf), &got, nullptr) && got > 0) out.append(buf, got);
  ::CloseHandle(f);
  return out;
}

bool TestFolder::Exists(const std::wstring& name) const {
  return ::GetFileAttributesW(File(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void TestFolder::Remove(const std::wstring& name) const { ::DeleteFileW(File(name).c_str()); }
