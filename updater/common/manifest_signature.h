// The detached signature of a manifest: ECDSA over P-256 with SHA-256, given
// as the 64 bytes r || s, checked with the platform's CNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The public key built into this program (PEM text); empty in a build without a key.
const char* UpdatePublicKeyPem();

// True when `signature` is a valid signature of `message` under the P-256
// public key whose point (X || Y, 64 bytes) is `point`.
bool VerifyManifestSignature(const std::vector<std::uint8_t>& message, const std::vector<std::uint8_t>& signature,
                             const std::vector<std::uint8_t>& point);

// Whole contents of a small file (at most `limit` bytes); false when it cannot be read.
bool ReadSmallFile(const std::wstring& path, std::size_t limit, std::vector<std::uint8_t>& out);
