// A structural check of encoded pictures before they reach the platform's
// decoder: every block of a PNG, GIF, JPEG, BMP or icon file must lie inside
// the data and the file must reach its end marker. Truncated and damaged
// files are refused here, consistently, instead of depending on how robust a
// particular decoder is (some crash on a cut-off PNG).
#pragma once

#include <cstddef>
#include <cstdint>

namespace bimbly::image {

enum class PictureKind { kUnknown, kPng, kGif, kJpeg, kBmp, kIcon };

struct PictureCheck {
  PictureKind kind = PictureKind::kUnknown;
  bool intact = false;           // every block in bounds and the end reached
  std::uint32_t gifFrames = 0;   // image descriptors counted in a GIF
};

// Unknown kinds are reported as intact: the decoder decides about them.
PictureCheck CheckPicture(const void* data, std::size_t size);

// CRC-32 as PNG uses it (polynomial 0xEDB88320).
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);

}  // namespace bimbly::image
