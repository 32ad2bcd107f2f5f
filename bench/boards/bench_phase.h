// The phases a measuring program announces to bench/boards/run.sh, which
// takes a CPU snapshot at each. With BIMBLY_PHASE_ACK set (a path prefix) the
// program waits until the snapshot is taken (the file prefix + phase name
// exists, at most 10 s), so that it neither runs ahead nor ends before the
// last snapshot: a program gone by then would drop out of the figures.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace bench {

// `wait(ms)` passes the time the program's own way (serving its windows, or a plain Sleep).
template <typename Wait>
void Phase(const char* name, Wait wait) {
  std::printf("PHASE %s\n", name);
  std::fflush(stdout);
  wchar_t prefix[MAX_PATH] = {};
  if (!::GetEnvironmentVariableW(L"BIMBLY_PHASE_ACK", prefix, MAX_PATH)) return;
  std::wstring ack = prefix;
  for (const char* c = name; *c; ++c) ack += static_cast<wchar_t>(*c);
  for (int i = 0; i < 500 && ::GetFileAttributesW(ack.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) wait(20);
}

inline void Phase(const char* name) {
  Phase(name, [](DWORD ms) { ::Sleep(ms); });
}

}  // namespace bench
