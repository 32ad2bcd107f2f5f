#include "updater/common/manifest_signature.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>

#include "framework/handles.h"
#include "updater/common/file_digest.h"

bool VerifyManifestSignature(const std::vector<std::uint8_t>& message, const std::vector<std::uint8_t>& signature,
                             const std::vector<std::uint8_t>& point) {
  if (point.size() != 64 || signature.size() != 64) return false;
  const auto digest = Sha256Of(message.data(), message.size());
  if (digest.size() != 32) return false;

  BCRYPT_ALG_HANDLE alg = nullptr;
  if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&alg, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0))) return false;
  std::vector<std::uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
  BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
  std::memcpy(blob.data(), &header, sizeof header);
  std::memcpy(blob.data() + sizeof header, point.data(), 64);
  BCRYPT_KEY_HANDLE key = nullptr;
  bool ok = false;
  if (BCRYPT_SUCCESS(::BCryptImportKeyPair(alg, nullptr, BCRYPT_ECCPUBLIC_BLOB, &key, blob.data(),
                                           static_cast<ULONG>(blob.size()), 0))) {
    ok = ::BCryptVerifySignature(key, nullptr, const_cast<PUCHAR>(digest.data()), 32,
                                 const_cast<PUCHAR>(signature.data()), 64, 0) == 0;
    ::BCryptDestroyKey(key);
  }
  ::BCryptCloseAlgorithmProvider(alg, 0);
  return ok;
}

bool ReadSmallFile(const std::wstring& path, std::size_t limit, std::vector<std::uint8_t>& out) {
  fw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) > limit)
    return false;
  out.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD got = 0;
  return out.empty() || (::ReadFile(file.get(), out.data(), static_cast<DWORD>(out.size()), &got, nullptr) &&
                         got == out.size());
}
