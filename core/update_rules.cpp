#include "core/update_rules.h"

#include <algorithm>
#include <array>
#include <cwctype>

#include "core/site_address.h"

namespace bimbly::update {

namespace {

wchar_t LowerAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

// Names that the platform maps to devices in every folder, with or without an extension.
bool IsDeviceName(std::wstring_view component) {
  const std::wstring_view stem = component.substr(0, component.find(L'.'));
  static constexpr std::array<std::wstring_view, 6> kPlain = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (auto name : kPlain)
    if (EqualsNoCase(stem, name)) return true;
  if (stem.size() == 4 && (StartsWithNoCase(stem, L"COM") || StartsWithNoCase(stem, L"LPT"))) {
    // COM0-9, LPT0-9 and the superscript digits the platform also treats as devices.
    const wchar_t d = stem[3];
    if ((d >= L'0' && d <= L'9') || d == 0xB9 || d == 0xB2 || d == 0xB3) return true;
  }
  return false;
}

bool IsForbiddenChar(wchar_t c) {
  return c < 0x20 || c == L':' || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|' ||
         c == 0x7F;
}

}  // namespace

std::wstring ListName(std::wstring_view word, int n) { return std::wstring(word) + std::to_wstring(n); }

int ForEachListEntry(const std::function<bool(int)>& visit) {
  int n = 0;
  while (n < kMaxListEntries && visit(n)) ++n;
  return n;
}

int FirstEmptyEntry(const std::function<std::wstring(int)>& readKey) {
  return ForEachListEntry([&](int n) { return !readKey(n).empty(); });
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
  return true;
}

bool IsSafeProgramFileName(std::wstring_view name, std::wstring_view programDir) {
  if (name.empty()) return false;
  // Room for programDir + "download\" + name + "_".
  if (programDir.size() + 9 + name.size() + 1 > kMaxPathChars) return false;
  if (name.front() == L'\\' || name.front() == L'/') return false;  // root, UNC
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of(L"\\/", start);
    if (end == std::wstring_view::npos) end = name.size();
    const std::wstring_view part = name.substr(start, end - start);
    if (part.empty() || part == L"." || part == L"..") return false;
    if (std::any_of(part.begin(), part.end(), IsForbiddenChar)) return false;
    if (part.back() == L'.' || part.back() == L' ') return false;
    if (IsDeviceName(part)) return false;
    start = end + 1;
  }
  return true;
}

bool IsInsideFolder(std::wstring_view fullPath, std::wstring_view folder) {
  if (folder.empty() || folder.back() != L'\\') return false;
  return fullPath.size() > folder.size() && StartsWithNoCase(fullPath, folder);
}

bool IsLoopbackUrl(std::wstring_view url) {
  std::size_t skip = 0;
  if (StartsWithNoCase(url, L"https://")) skip = 8;
  else if (StartsWithNoCase(url, L"http://")) skip = 7;
  else return false;
  const std::wstring_view rest = url.substr(skip);
  for (std::wstring_view host : {std::wstring_view(L"127.0.0.1"), std::wstring_view(L"localhost"),
                                 std::wstring_view(L"[::1]")}) {
    if (!StartsWithNoCase(rest, host)) continue;
    // The host ends there: a port, a path or nothing ("127.0.0.1.evil.example" is another host).
    if (rest.size() == host.size() || rest[host.size()] == L':' || rest[host.size()] == L'/') return true;
  }
  return false;
}

bool IsAllowedFileUrl(std::wstring_view url) {
  std::size_t skip = 0;
  if (StartsWithNoCase(url, L"https://")) skip = 8;
  else if (StartsWithNoCase(url, L"http://") && IsLoopbackUrl(url)) skip = 7;
  else return false;
  return url.size() > skip && url[skip] != L'/' && url[skip] != L'\\';
}

std::wstring ManifestUrl(std::wstring_view base) { return JoinAddress(base, L"lastver"); }
std::wstring SignatureUrl(std::wstring_view base) { return JoinAddress(base, L"lastver.sig"); }

std::optional<std::uint64_t> ParseSize(std::wstring_view text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  std::uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - L'0');
  }
  return value;
}

std::uint64_t DownloadLimit(std::optional<std::uint64_t> size) {
  if (!size) return kDefaultDownloadLimit;
  return std::min<std::uint64_t>(*size, kDefaultDownloadLimit) + 1;
}

std::uint32_t TransferDeadlineMs(std::uint64_t limitBytes) {
  // A minute plus the time the body needs at a slow 16 KiB/s, at most 30 minutes.
  const std::uint64_t ms = 60'000 + limitBytes / 16;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(ms, 30ull * 60 * 1000));
}

int ProgressPercent(int s, int count) { return count > 0 ? s / count : 0; }

bool HasExeSuffix(std::wstring_view text) {
  if (text.size() < 3) return false;
  const std::wstring_view tail = text.substr(text.size() - 3);
  return tail == L"exe" || tail == L"EXE";
}

std::optional<std::uint64_t> ParseSerial(std::wstring_view text) { return ParseSize(text); }

SerialVerdict CompareSerial(std::wstring_view manifestSerial, std::wstring_view installedSerial) {
  const auto offered = ParseSerial(manifestSerial);
  if (!offered) return SerialVerdict::kInvalid;
  // An installed serial that cannot be read was damaged: it counts as none.
  const std::uint64_t installed = ParseSerial(installedSerial).value_or(0);
  if (*offered > installed) return SerialVerdict::kNewer;
  return *offered == installed ? SerialVerdict::kSame : SerialVerdict::kOlder;
}

std::vector<std::uint8_t> DecodeBase64(std::string_view text) {
  std::vector<std::uint8_t> out;
  std::uint32_t acc = 0;
  int bits = 0;
  int padding = 0;
  for (char c : text) {
    int v;
    if (c >= 'A' && c <= 'Z') v = c - 'A';
    else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
    else if (c >= '0' && c <= '9') v = c - '0' + 52;
    else if (c == '+') v = 62;
    else if (c == '/') v = 63;
    else if (c == '=') { ++padding; continue; }
    else if (c == ' ' || c == '\r' || c == '\n' || c == '\t') continue;
    else return {};
    if (padding) return {};  // data after padding
    acc = (acc << 6) | static_cast<std::uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<std::uint8_t>((acc >> bits) & 0xFF));
    }
  }
  if (padding > 2) return {};
  return out;
}

std::vector<std::uint8_t> P256PointFromPem(std::string_view pem) {
  static constexpr std::string_view kBegin = "-----BEGIN PUBLIC KEY-----";
  static constexpr std::string_view kEnd = "-----END PUBLIC KEY-----";
  const auto b = pem.find(kBegin);
  const auto e = pem.find(kEnd);
  if (b == std::string_view::npos || e == std::string_view::npos || e < b) return {};
  const auto der = DecodeBase64(pem.substr(b + kBegin.size(), e - b - kBegin.size()));
  // SubjectPublicKeyInfo of id-ecPublicKey on prime256v1 with an uncompressed point.
  static constexpr std::uint8_t kPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48, 0xce,
                                             0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d,
                                             0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};
  if (der.size() != sizeof(kPrefix) + 64 || !std::equal(std::begin(kPrefix), std::end(kPrefix), der.begin()))
    return {};
  return std::vector<std::uint8_t>(der.begin() + sizeof(kPrefix), der.end());
}

std::vector<ManifestEntry> ReadManifestEntries(
    const std::function<std::wstring(const std::wstring&, const std::wstring&)>& read) {
  std::vector<ManifestEntry> entries;
  ForEachListEntry([&](int n) {
    const std::wstring section = ListName(L"File", n);
    ManifestEntry e;
    e.file = read(section, L"file");
    if (e.file.empty()) return false;
    e.size = read(section, L"size");
    e.runonce = read(section, L"runonce");
    e.check = read(section, L"check");
    e.sha256 = read(section, L"sha256");
    ForEachListEntry([&](int u) {
      std::wstring url = read(section, ListName(L"url", u));
      if (url.empty()) return false;
      e.urls.push_back(std::move(url));
      return true;
    });
    entries.push_back(std::move(e));
    return true;
  });
  return entries;
}

const ManifestEntry* FindEntry(const std::vector<ManifestEntry>& entries, std::wstring_view file) {
  for (const auto& e : entries)
    if (EqualsNoCase(e.file, file)) return &e;
  return nullptr;
}

std::vector<ManifestEntry> SelectUpdates(std::wstring_view version, const std::vector<ManifestEntry>& manifest,
                                         std::wstring_view programDir,
                                         const std::function<std::wstring(const std::wstring&)>& installedDigest) {
  std::vector<ManifestEntry> selected;
  if (version.empty()) return selected;
  for (const auto& entry : manifest) {
    if (!IsSafeProgramFileName(entry.file, programDir)) continue;
    if (installedDigest(entry.file) != entry.check) selected.push_back(entry);
  }
  return selected;
}

}  // namespace bimbly::update
