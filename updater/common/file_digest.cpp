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
  // Shared for reading only: while the file is open and mapped, nobody can
  // write to it or cut it short under the hash.
  fw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return {};
  Hash hash(kind);
  if (!hash.ok()) return {};
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) return {};
  if (size.QuadPart > 0) {
    // The file is hashed straight from a read-only mapping, a window at a
    // time: no copy into a buffer, and the digest runs at the hash's own speed.
    fw::UniqueKernelHandle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return {};
    constexpr std::uint64_t kWindow = 64ull << 20;
    for (std::uint64_t offset = 0; offset < static_cast<std::uint64_t>(size.QuadPart); offset += kWindow) {
      const std::uint64_t left = static_cast<std::uint64_t>(size.QuadPart) - offset;
      const SIZE_T length = static_cast<SIZE_T>(left < kWindow ? left : kWindow);
      void* view = ::MapViewOfFile(mapping.get(), FILE_MAP_READ, static_cast<DWORD>(offset >> 32),
                                   static_cast<DWORD>(offset & 0xFFFFFFFFu), length);
      if (!view) return {};
      const bool ok = hash.Add(view, static_cast<ULONG>(length));
      ::UnmapViewOfFile(view);
      if (!ok) return {};
    }
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
