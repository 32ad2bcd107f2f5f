// What a process holds, for leak checks and measurements: GDI and USER
// objects, kernel handles, threads, windows and private memory. Where the
// system does not report a figure (Wine answers 0 for GDI/USER objects and
// the handle count), kernel handles of this process are counted by probing
// its handle table; for another process they stay 0.
#pragma once

#include <windows.h>

#include <cstddef>

struct ProcessResourceCounts {
  DWORD gdiObjects = 0;     // 0 where the system does not report it
  DWORD userObjects = 0;    // 0 where the system does not report it
  DWORD kernelHandles = 0;  // reported, or probed for this process
  DWORD threads = 0;
  DWORD windows = 0;        // windows of the process (top-level and their descendants)
  std::size_t privateBytes = 0;

  // This process.
  static ProcessResourceCounts Take();
  // Another process, through a handle with query and read rights.
  static ProcessResourceCounts Of(HANDLE process, DWORD processId);
};
