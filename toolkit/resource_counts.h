// What a process holds, for leak checks and measurements: GDI and USER
// objects, kernel handles, windows and private memory. Where the system does
// not report a figure (Wine answers 0 for GDI/USER objects and the handle
// count), kernel handles are counted by probing the handle table and windows
// by enumerating them.
#pragma once

#include <windows.h>

#include <cstddef>

struct ProcessResourceCounts {
  DWORD gdiObjects = 0;     // 0 where the system does not report it
  DWORD userObjects = 0;    // 0 where the system does not report it
  DWORD kernelHandles = 0;  // reported, or probed
  DWORD windows = 0;        // windows of this process (top-level and their descendants)
  std::size_t privateBytes = 0;

  static ProcessResourceCounts Take();
};
