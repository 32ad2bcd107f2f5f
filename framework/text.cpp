#include "framework/text.h"

#include <climits>
#include <vector>

namespace fw {

std::wstring GbkToWide(std::string_view gbk) {
  if (gbk.empty() || gbk.size() > INT_MAX) return std::wstring();
  const int n = ::MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), static_cast<int>(gbk.size()), out.data(), n);
  return out;
}

std::string WideToGbk(std::wstring_view wide) {
  if (wide.empty() || wide.size() > INT_MAX) return std::string();
  const int n = ::WideCharToMultiByte(kGbkCodePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(kGbkCodePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                        nullptr);
  return out;
}

std::wstring LoadResourceString(HINSTANCE instance, UINT id) {
  // With a zero buffer size LoadStringW hands out a pointer into the resource
  // itself, so strings of any length come back whole.
  const wchar_t* text = nullptr;
  const int n = ::LoadStringW(instance, id, reinterpret_cast<LPWSTR>(&text), 0);
  if (n <= 0 || !text) return std::wstring();
  return std::wstring(text, static_cast<size_t>(n));
}

std::wstring GetWindowTextString(HWND hwnd) {
  const int n = ::GetWindowTextLengthW(hwnd);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n) + 1, L'\0');
  const int got = ::GetWindowTextW(hwnd, out.data(), n + 1);
  out.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return out;
}

std::wstring GetModulePath(HMODULE module) {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(module, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::wstring();
    if (n < buf.size()) return std::wstring(buf.data(), n);
    if (buf.size() >= 32768) return std::wstring(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

}  // namespace fw
