// File digests through the platform's hashing (CNG).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class DigestKind { kMd5, kSha256 };

// Lowercase hexadecimal digest of a file's whole contents; empty when the file
// cannot be opened or read.
std::wstring FileDigestHex(const std::wstring& path, DigestKind kind);
inline std::wstring FileMd5Hex(const std::wstring& path) { return FileDigestHex(path, DigestKind::kMd5); }
inline std::wstring FileSha256Hex(const std::wstring& path) { return FileDigestHex(path, DigestKind::kSha256); }

// SHA-256 of a block of bytes (32 bytes; empty on failure).
std::vector<std::uint8_t> Sha256Of(const void* data, std::size_t size);
