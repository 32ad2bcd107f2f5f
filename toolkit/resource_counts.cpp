#include "toolkit/resource_counts.h"

#include <psapi.h>

namespace {

DWORD ProbeKernelHandles() {
  // Handle values are multiples of 4; a live one answers GetHandleInformation.
  DWORD count = 0;
  for (ULONG_PTR value = 4; value < 0x20000; value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

BOOL CALLBACK CountChild(HWND, LPARAM counter) {
  ++*reinterpret_cast<DWORD*>(counter);
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND hwnd, LPARAM counter) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid == ::GetCurrentProcessId()) {
    ++*reinterpret_cast<DWORD*>(counter);
    ::EnumChildWindows(hwnd, &CountChild, counter);
  }
  return TRUE;
}

}  // namespace

ProcessResourceCounts ProcessResourceCounts::Take() {
  ProcessResourceCounts c;
  HANDLE self = ::GetCurrentProcess();
  c.gdiObjects = ::GetGuiResources(self, GR_GDIOBJECTS);
  c.userObjects = ::GetGuiResources(self, GR_USEROBJECTS);
  if (!::GetProcessHandleCount(self, &c.kernelHandles) || c.kernelHandles == 0)
    c.kernelHandles = ProbeKernelHandles();
  ::EnumWindows(&CountTopLevel, reinterpret_cast<LPARAM>(&c.windows));
  PROCESS_MEMORY_COUNTERS_EX m{};
  m.cb = sizeof(m);
  if (::GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof(m)))
    c.privateBytes = m.PrivateUsage ? m.PrivateUsage : m.PagefileUsage;
  return c;
}
