#include "updater/common/file_digest.h"

#include <windows.h>
#include <bcrypt.h>

#include "framework/handles.h"

namespace {

// Algorithm providers are opened once per process and kept: opening one is
// far dearer than hashing a small file.
BCRYPT_ALG_HANDLE Provider(DigestKind kind) {
  static BCRYPT_ALG_HANDLE md5 = [] {
    BCRYPT_ALG_HANDLE h = nullptr;
    return BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&h, BCRYPT_MD5_ALGORITHM, nullptr, 0)) ? h : nullptr;
  }();
  static BCRYPT_ALG_HANDLE sha256 = [] {
    BCRYPT_ALG_HANDLE h = nullptr;
    return BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&h, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ? h : nullptr;
  }();
  return kind == DigestKind::kMd5 ? md5 : sha256;
}

class Hash {
 public:
  explicit Hash(DigestKind kind) {
    BCRYPT_ALG_HANDLE alg = Provider(kind);
    if (alg && !BCRYPT_SUCCESS(::BCryptCreateHash(alg, &hash_, nullptr, 0, nullptr, 0, 0))) hash_ = nullptr;
    size_ = kind == DigestKind::kMd5 ? 16 : 32;
  }
  ~Hash() {
    if (hash_) ::BCryptDestroyHash(hash_);
  }
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
  bool ok() const { return hash_ != nullptr; }
  bool Add(const void* data, ULONG size) {
    return BCRYPT_SUCCESS(::BCryptHashData(hash_, static_cast<PUCHAR>(const_cast<void*>(data)), size, 0));
  }
  std::vector<std::uint8_t> Finish() {
    std::vector<std::uint8_t> out(size_);
    if (!BCRYPT_SUCCESS(::BCryptFinishHash(hash_, out.data(), static_cast<ULONG>(out.size()), 0))) out.clear();
    return out;
  }

 private:
  BCRYPT_HASH_HANDLE hash_ = nullptr;
  std::size_t size_;
};

}  // namespace

std::wstring FileDigestHex(const std::wstring& path, DigestKind kind) {
  fw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return {};
  Hash hash(kind);
  if (!hash.ok()) return {};
  // Large reads: the digest is bound by the disk, not by the number of calls.
  std::vector<std::uint8_t> buffer(1 << 20);
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return {};
    if (got == 0) break;
    if (!hash.Add(buffer.data(), got)) return {};
  }
  const auto digest = hash.Finish();
  if (digest.empty()) return {};
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  std::wstring text;
  for (std::uint8_t b : digest) {
    text.push_back(kHex[b >> 4]);
    text.push_back(kHex[b & 15]);
  }
  return text;
}

std::vector<std::uint8_t> Sha256Of(const void* data, std::size_t size) {
  Hash hash(DigestKind::kSha256);
  if (!hash.ok() || !hash.Add(data, static_cast<ULONG>(size))) return {};
  return hash.Finish();
}
