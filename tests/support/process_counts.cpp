#include "tests/support/process_counts.h"

#include <psapi.h>
#include <tlhelp32.h>

namespace {

DWORD ProbeOwnKernelHandles() {
  // Handle values are multiples of 4; a live one answers GetHandleInformation.
  DWORD count = 0;
  for (ULONG_PTR value = 4; value < 0x20000; value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

DWORD CountThreads(DWORD processId) {
  DWORD count = 0;
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  THREADENTRY32 te{};
  te.dwSize = sizeof(te);
  for (BOOL ok = ::Thread32First(snap, &te); ok; ok = ::Thread32Next(snap, &te))
    if (te.th32OwnerProcessID == processId) ++count;
  ::CloseHandle(snap);
  return count;
}

struct WindowCount {
  DWORD processId;
  DWORD count;
};

BOOL CALLBACK CountChild(HWND, LPARAM counter) {
  ++reinterpret_cast<WindowCount*>(counter)->count;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND hwnd, LPARAM counter) {
  auto* c = reinterpret_cast<WindowCount*>(counter);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid == c->processId) {
    ++c->count;
    ::EnumChildWindows(hwnd, &CountChild, counter);
  }
  return TRUE;
}

}  // namespace

ProcessResourceCounts ProcessResourceCounts::Of(HANDLE process, DWORD processId) {
  ProcessResourceCounts c;
  c.gdiObjects = ::GetGuiResources(process, GR_GDIOBJECTS);
  c.userObjects = ::GetGuiResources(process, GR_USEROBJECTS);
  if (!::GetProcessHandleCount(process, &c.kernelHandles)) c.kernelHandles = 0;
  c.threads = CountThreads(processId);
  WindowCount windows{processId, 0};
  ::EnumWindows(&CountTopLevel, reinterpret_cast<LPARAM>(&windows));
  c.windows = windows.count;
  PROCESS_MEMORY_COUNTERS_EX m{};
  m.cb = sizeof(m);
  if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof(m)))
    c.privateBytes = m.PrivateUsage ? m.PrivateUsage : m.PagefileUsage;
  return c;
}

ProcessResourceCounts ProcessResourceCounts::Take() {
  ProcessResourceCounts c = Of(::GetCurrentProcess(), ::GetCurrentProcessId());
  if (c.kernelHandles == 0) c.kernelHandles = ProbeOwnKernelHandles();
  return c;
}
