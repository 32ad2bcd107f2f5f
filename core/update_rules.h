// Rules of the update chain that need no platform: list-section names, the
// check of a manifest's file names against the program folder, address and
// size limits, version-history numbering, release serials, and the decoding
// of the embedded public key.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bimbly::update {

// The update's journal in the download folder: while it exists, an update is
// under way or was cut off, and its old files can be put back.
inline constexpr wchar_t kUpdateJournalName[] = L"rollback.ini";

// "File0", "History3", "url1": a list word followed by a decimal number.
std::wstring ListName(std::wstring_view word, int n);

// Lists end at the first entry whose key is empty; this bound keeps a damaged
// file from making a reader loop for ever.
inline constexpr int kMaxListEntries = 4096;

// Calls visit(n) for n = 0, 1, ... until it returns false or the bound is
// reached; returns the number of entries visited with true.
int ForEachListEntry(const std::function<bool(int)>& visit);

// Index of the first entry for which readKey(n) is empty (the next history slot).
int FirstEmptyEntry(const std::function<std::wstring(int)>& readKey);

// Longest path the programs handle (the platform's classic limit).
inline constexpr std::size_t kMaxPathChars = 259;

// A manifest "file" may only name a file inside the program folder: a
// relative path of ordinary names, no drive, no root, no "..", no ":", no
// device names (CON, NUL, COM1, ...), no wildcard or control characters, no
// name ending in a dot or a blank, and short enough that its download name
// (program folder + "download\" + name + "_") still fits the path limit.
bool IsSafeProgramFileName(std::wstring_view name, std::wstring_view programDir);

// True when `fullPath` (already made absolute by the platform) lies inside
// `folder` (ending in a backslash), ignoring letter case.
bool IsInsideFolder(std::wstring_view fullPath, std::wstring_view folder);

// Case-insensitive prefix comparison of ASCII letters (paths and schemes).
bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix);

// True for "http://" or "https://" addresses whose host is the loopback
// address (127.0.0.1, localhost, [::1]): the test servers.
bool IsLoopbackUrl(std::wstring_view url);

// Addresses of a manifest's files: "https://" with a host, or plain "http://"
// to the loopback address only. Anything else (ftp:, file:, a bare path, plain
// http to another host) is refused.
bool IsAllowedFileUrl(std::wstring_view url);

// Base address + "lastver", with a "/" put between them when the base lacks one.
std::wstring ManifestUrl(std::wstring_view base);
// The same for the detached signature "lastver.sig".
std::wstring SignatureUrl(std::wstring_view base);

// The manifest's "size": plain decimal digits, else nothing.
std::optional<std::uint64_t> ParseSize(std::wstring_view text);

// Most bytes a download may deliver: "size" + 1 when size is given (one byte
// more shows that the body is too long), else the general limit.
inline constexpr std::uint64_t kDefaultDownloadLimit = 512ull * 1024 * 1024;
inline constexpr std::uint64_t kManifestLimit = 1024 * 1024;
std::uint64_t DownloadLimit(std::optional<std::uint64_t> size);

// A transfer gets this long as a whole, on top of the time-out of every read.
std::uint32_t TransferDeadlineMs(std::uint64_t limitBytes);

// Progress of entry with running value s (100, 200, ...) of `count` entries.
int ProgressPercent(int s, int count);

// True when the last three characters are exactly "exe" or exactly "EXE".
bool HasExeSuffix(std::wstring_view text);

// Release serials: plain decimal digits (at most 18). A missing installed
// serial counts as 0. A manifest is taken only when its serial parses and is
// strictly above the installed one; the same serial is the release already
// installed.
std::optional<std::uint64_t> ParseSerial(std::wstring_view text);
enum class SerialVerdict { kNewer, kSame, kOlder, kInvalid };
SerialVerdict CompareSerial(std::wstring_view manifestSerial, std::wstring_view installedSerial);
inline bool SerialAcceptable(std::wstring_view manifestSerial, std::wstring_view installedSerial) {
  return CompareSerial(manifestSerial, installedSerial) == SerialVerdict::kNewer;
}

// Standard base64 (with padding; blanks and line breaks are skipped). Empty
// result on any other character.
std::vector<std::uint8_t> DecodeBase64(std::string_view text);

// The 64 bytes X || Y of a P-256 public key given as a PEM "PUBLIC KEY"
// (SubjectPublicKeyInfo); empty when the text is not such a key.
std::vector<std::uint8_t> P256PointFromPem(std::string_view pem);

// One "File" entry of a manifest, as read.
struct ManifestEntry {
  std::wstring file, size, runonce, check, sha256;
  std::vector<std::wstring> urls;
};

// Reads the "File" entries through `read` (section, key), up to the first
// empty "file"; each with its url0, url1, ... up to the first empty one.
std::vector<ManifestEntry> ReadManifestEntries(
    const std::function<std::wstring(const std::wstring&, const std::wstring&)>& read);

// The entry that names `file` (ignoring letter case), or null.
const ManifestEntry* FindEntry(const std::vector<ManifestEntry>& entries, std::wstring_view file);

// The entries an update must fetch: none when the version text is empty;
// otherwise every entry with a safe file name whose installed digest differs
// from "check". Unsafe names are dropped without looking at the disk.
std::vector<ManifestEntry> SelectUpdates(std::wstring_view version, const std::vector<ManifestEntry>& manifest,
                                         std::wstring_view programDir,
                                         const std::function<std::wstring(const std::wstring&)>& installedDigest);

}  // namespace bimbly::update
