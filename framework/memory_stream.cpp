#include "framework/memory_stream.h"

#include <objbase.h>

#include <cstring>

namespace fw {

ResourceBytes FindResourceBytes(HINSTANCE module, const wchar_t* name, const wchar_t* type) noexcept {
  HRSRC found = ::FindResourceW(module, name, type);
  if (!found) return {};
  const DWORD size = ::SizeofResource(module, found);
  HGLOBAL loaded = ::LoadResource(module, found);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data || size == 0) return {};
  return {data, size};
}

ComPtr<IStream> StreamOverCopy(const void* data, std::size_t size) noexcept {
  ComPtr<IStream> stream;
  if (!data || size == 0) return stream;
  UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, size));
  void* target = memory ? ::GlobalLock(memory.get()) : nullptr;
  if (!target) return stream;
  std::memcpy(target, data, size);
  ::GlobalUnlock(memory.get());
  if (SUCCEEDED(::CreateStreamOnHGlobal(memory.get(), TRUE, stream.put())) && stream) memory.release();  // the stream frees it now
  return stream;
}

}  // namespace fw
