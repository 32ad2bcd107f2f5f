// Loaded into the launcher by the play soak (a remote thread calls
// LoadLibraryW, another HeapProbeWrite): writes a census of the launcher's
// heaps to the file named, so that the soak can say which heap grew between
// games and by what kind of block. The census is written into memory of its
// own, so that taking it changes none of the heaps it counts.
#include <windows.h>
#include <objbase.h>

#include <cstdlib>

#include "heap_census.h"  // beside this file

extern "C" __declspec(dllexport) DWORD WINAPI HeapProbeWrite(void* path) {
  // Blocks whose heaps are known: the C run-time's (the suite's operator new
  // and malloc), COM's task allocator and the newer C run-time's (Wine's
  // image decoders).
  void* fromMalloc = std::malloc(24);
  void* fromCom = ::CoTaskMemAlloc(24);
  const heap_census::UcrtBlock ucrt;
  DWORD result = 1;
  {
    const heap_census::Text text(
        {{fromMalloc, "msvcrt malloc"}, {fromCom, "CoTaskMemAlloc"}, {ucrt.block, heap_census::kUcrtHeap}}, true);
    HANDLE f = ::CreateFileW(static_cast<const wchar_t*>(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      if (text.size() && ::WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) result = 0;
      ::CloseHandle(f);
    }
  }
  std::free(fromMalloc);
  ::CoTaskMemFree(fromCom);
  return result;
}
