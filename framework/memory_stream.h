// Pictures held in memory, handed to the decoders as streams: a resource's
// bytes as its module holds them, and a stream over a copy of some bytes.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstddef>

#include "framework/handles.h"

namespace fw {

// A resource's bytes, valid while its module stays loaded; empty (null,
// 0) when the module has no such resource.
struct ResourceBytes {
  const void* data = nullptr;
  std::size_t size = 0;
};
ResourceBytes FindResourceBytes(HINSTANCE module, const wchar_t* name, const wchar_t* type) noexcept;

// A stream over a copy of `size` bytes, which frees its memory when it is
// released; null when there are no bytes or no memory.
ComPtr<IStream> StreamOverCopy(const void* data, std::size_t size) noexcept;

}  // namespace fw
