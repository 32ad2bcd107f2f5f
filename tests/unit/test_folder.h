// A scratch folder for one test, removed with everything in it afterwards.
#pragma once

#include <windows.h>

#include <string>

class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  // Writes raw bytes to a file in the folder.
  void Write(const std::wstring& name, const std::string& bytes) const;
  std::string Read(const std::wstring& name) const;

 private:
  std::wstring path_;
};
