#include "core/picture_check.h"

#include <array>
#include <cstring>

namespace bimbly::image {
namespace {

using Byte = std::uint8_t;

std::uint32_t Be32(const Byte* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
std::uint32_t Le32(const Byte* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
std::uint16_t Le16(const Byte* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

bool CheckPng(const Byte* d, std::size_t n) {
  std::size_t at = 8;
  bool first = true;
  while (n - at >= 12) {
    const std::uint32_t length = Be32(d + at);
    if (length > 0x7FFFFFFFu || length > n - at - 12) return false;
    const Byte* type = d + at + 4;
    if (Crc32(type, 4 + static_cast<std::size_t>(length)) != Be32(d + at + 8 + length)) return false;
    if (first) {
      if (std::memcmp(type, "IHDR", 4) != 0 || length != 13) return false;
      if (Be32(d + at + 8) == 0 || Be32(d + at + 12) == 0) return false;
      first = false;
    }
    if (std::memcmp(type, "IEND", 4) == 0) return true;
    at += 12 + static_cast<std::size_t>(length);
  }
  return false;
}

// Skips GIF data sub-blocks (size byte, bytes) up to the empty one.
bool SkipSubBlocks(const Byte* d, std::size_t n, std::size_t& at) {
  for (;;) {
    if (at >= n) return false;
    const std::size_t size = d[at++];
    if (size == 0) return true;
    if (size > n - at) return false;
    at += size;
  }
}

bool CheckGif(const Byte* d, std::size_t n, std::uint32_t& frames) {
  if (n < 13) return false;
  std::size_t at = 13;
  const Byte flags = d[10];
  if (flags & 0x80) {
    const std::size_t table = 3u << ((flags & 7) + 1);
    if (table > n - at) return false;
    at += table;
  }
  while (at < n) {
    const Byte block = d[at++];
    if (block == 0x3B) return true;  // trailer
    if (block == 0x21) {             // extension: label, sub-blocks
      if (at >= n) return false;
      ++at;
      if (!SkipSubBlocks(d, n, at)) return false;
    } else if (block == 0x2C) {  // image: descriptor, local table, code size, sub-blocks
      if (n - at < 9) return false;
      const Byte imageFlags = d[at + 8];
      at += 9;
      if (imageFlags & 0x80) {
        const std::size_t table = 3u << ((imageFlags & 7) + 1);
        if (table > n - at) return false;
        at += table;
      }
      if (at >= n) return false;
      const Byte codeSize = d[at++];
      if (codeSize < 1 || codeSize > 11) return false;
      if (!SkipSubBlocks(d, n, at)) return false;
      ++frames;
    } else {
      return false;
    }
  }
  return false;
}

bool CheckJpeg(const Byte* d, std::size_t n) {
  std::size_t at = 2;
  bool frame = false;
  while (at < n) {
    if (d[at] != 0xFF) return false;
    while (at < n && d[at] == 0xFF) ++at;  // fill bytes
    if (at >= n) return false;
    const Byte marker = d[at++];
    if (marker == 0xD9) return frame;  // end of image
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
    if (marker == 0x00 || marker == 0xD8) return false;
    if (n - at < 2) return false;
    const std::size_t length = (std::size_t{d[at]} << 8) | d[at + 1];
    if (length < 2 || length > n - at) return false;
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) frame = true;
    at += length;
    if (marker == 0xDA) {
      // Entropy-coded data runs to the next marker that is neither a stuffed
      // zero nor a restart.
      for (;;) {
        if (at + 1 >= n) return false;
        if (d[at] == 0xFF && d[at + 1] != 0x00 && d[at + 1] != 0xFF && !(d[at + 1] >= 0xD0 && d[at + 1] <= 0xD7))
          break;
        ++at;
      }
    }
  }
  return false;
}

bool CheckBmp(const Byte* d, std::size_t n) {
  if (n < 26) return false;
  const std::uint32_t offBits = Le32(d + 10);
  const std::uint32_t header = Le32(d + 14);
  if (header < 12 || header > n - 14 || offBits >= n || offBits < 14 + header) return false;
  std::int64_t width, height;
  std::uint32_t bits, compression = 0;
  if (header == 12) {
    width = Le16(d + 18);
    height = static_cast<std::int16_t>(Le16(d + 20));
    bits = Le16(d + 24);
  } else {
    if (header < 40) return false;
    width = static_cast<std::int32_t>(Le32(d + 18));
    height = static_cast<std::int32_t>(Le32(d + 22));
    bits = Le16(d + 28);
    compression = Le32(d + 30);
  }
  if (height < 0) height = -height;
  if (width <= 0 || height <= 0) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  if (compression == 0 || compression == 3) {  // uncompressed: every row must be there
    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bits + 31) / 32) * 4;
    if (stride * static_cast<std::uint64_t>(height) > n - offBits) return false;
  }
  return true;
}

bool CheckIcon(const Byte* d, std::size_t n) {
  const std::size_t count = Le16(d + 4);
  if (count == 0 || 6 + count * 16 > n) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const Byte* e = d + 6 + i * 16;
    const std::uint64_t size = Le32(e + 8);
    const std::uint64_t offset = Le32(e + 12);
    if (size == 0 || offset < 6 + count * 16 || offset + size > n) return false;
  }
  return true;
}

}  // namespace

std::uint32_t Crc32(const Byte* data, std::size_t size, std::uint32_t crc) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

PictureCheck CheckPicture(const void* data, std::size_t size) {
  PictureCheck r;
  const auto* d = static_cast<const Byte*>(data);
  if (!d || size == 0) return r;
  static const Byte kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size >= 8 && std::memcmp(d, kPng, 8) == 0) {
    r.kind = PictureKind::kPng;
    r.intact = CheckPng(d, size);
  } else if (size >= 6 && (std::memcmp(d, "GIF87a", 6) == 0 || std::memcmp(d, "GIF89a", 6) == 0)) {
    r.kind = PictureKind::kGif;
    r.intact = CheckGif(d, size, r.gifFrames);
  } else if (size >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) {
    r.kind = PictureKind::kJpeg;
    r.intact = CheckJpeg(d, size);
  } else if (size >= 2 && d[0] == 'B' && d[1] == 'M') {
    r.kind = PictureKind::kBmp;
    r.intact = CheckBmp(d, size);
  } else if (size >= 6 && d[0] == 0 && d[1] == 0 && (d[2] == 1 || d[2] == 2) && d[3] == 0) {
    r.kind = PictureKind::kIcon;
    r.intact = CheckIcon(d, size);
  } else {
    r.intact = true;
  }
  return r;
}

}  // namespace bimbly::image
