// A scratch folder for one test, removed with everything in it afterwards.
#pragma once

#include <windows.h>

#include <string>

class TestFolder {
 public:
  explicit TestFolder(const wchar_t* prefix = L"bimbly-test-");
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  // Writes raw bytes to a file in the folder.
  void Write(const std::wstring& name, const std::string& bytes) const;
  std::string Read(const std::wstring& name) const;
  bool Exists(const std::wstring& name) const;
  void Remove(const std::wstring& name) const;

 private:
  std::wstring path_;
};
