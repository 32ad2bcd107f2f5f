// What the benches read of the Linux side under Wine, through its Z: drive:
// a process's /proc files, to tell Wine's own memory from the Windows side's.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace wine_host {

// A file of the Linux side read whole; empty when it cannot be read.
inline std::string ReadHostFile(const std::wstring& path) {
  std::string text;
  HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
  if (f == INVALID_HANDLE_VALUE) return text;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(f, buffer, sizeof(buffer), &got, nullptr) && got) text.append(buffer, got);
  ::CloseHandle(f);
  return text;
}

// The Linux process id of the program named `exeName` that runs in this
// program's Wine prefix (one of each per prefix); 0 when not under Wine.
// (/proc/self would name whoever Wine asks on the way.)
inline int UnixPidOf(const char* exeName) {
  char prefix[MAX_PATH] = "";
  if (!::GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH)) return 0;
  const std::string ours = std::string("WINEPREFIX=") + prefix + "\n";
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(L"Z:\\proc\\*", &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int pid = 0;
  do {
    if (found.cFileName[0] < L'0' || found.cFileName[0] > L'9') continue;
    const std::wstring dir = std::wstring(L"Z:\\proc\\") + found.cFileName + L"\\";
    if (ReadHostFile(dir + L"cmdline").find(exeName) == std::string::npos) continue;
    std::string environment = ReadHostFile(dir + L"environ");
    for (char& c : environment) c = c ? c : '\n';
    if ((environment + "\n").find(ours) != std::string::npos) pid = _wtoi(found.cFileName);
  } while (!pid && ::FindNextFileW(search, &found));
  ::FindClose(search);
  return pid;
}

// Walks a process's /proc smaps: `region` at each mapping's first line, with
// its start address; `anonymousKb` at its "Anonymous:" line.
inline void WalkSmaps(int unixPid, const std::function<void(ULONG_PTR start)>& region,
                      const std::function<void(double kb)>& anonymousKb) {
  const std::string maps = ReadHostFile(L"Z:\\proc\\" + std::to_wstring(unixPid) + L"\\smaps");
  for (std::size_t at = 0; at < maps.size();) {
    std::size_t end = maps.find('\n', at);
    if (end == std::string::npos) end = maps.size();
    const std::string line = maps.substr(at, end - at);
    at = end + 1;
    unsigned long long start = 0, stop = 0;
    if (std::sscanf(line.c_str(), "%llx-%llx ", &start, &stop) == 2 && line.find('-') < 17)
      region(static_cast<ULONG_PTR>(start));
    else if (line.rfind("Anonymous:", 0) == 0)
      anonymousKb(std::strtod(line.c_str() + 10, nullptr));
  }
}

}  // namespace wine_host
