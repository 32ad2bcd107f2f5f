// Text helpers. The suite's stored and exchanged text is GBK (code page 936);
// it is converted with that code page explicitly, never with the ANSI code
// page, so Chinese reads correctly on every Windows locale.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace fw {

inline constexpr UINT kGbkCodePage = 936;

std::wstring GbkToWide(std::string_view gbk);
std::string WideToGbk(std::wstring_view wide);

// A string-table entry of the given module, with trailing blanks kept; empty
// when the entry is missing.
std::wstring LoadResourceString(HINSTANCE instance, UINT id);

// Text of a window (any length).
std::wstring GetWindowTextString(HWND hwnd);

// Full path of a module's file (nullptr: the running program), any length.
std::wstring GetModulePath(HMODULE module = nullptr);

}  // namespace fw
