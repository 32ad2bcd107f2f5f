// Downloads over WinInet with bounded connections, reads and sizes.
#pragma once

#include <cstdint>
#include <string>

#include "core/wait_bounds.h"

struct DownloadLimits {
  std::uint64_t maxBytes;  // a body longer than this is cut off and refused
  std::uint32_t connectMs = bimbly::kDownloadConnectMs;
  std::uint32_t readMs = bimbly::kDownloadReadMs;    // longest silence of the server
  std::uint32_t totalMs = bimbly::kDownloadTotalMs;  // the whole transfer
};

inline constexpr wchar_t kDownloadOk[] = L"200";

// Fetches `url` into `localPath`. The result is the decimal status code of the
// answer ("200" on success), or the error text of a failed connection or
// transfer. Certificates are always checked; a body that exceeds the limit or
// a stalled or overlong transfer fails with a text and leaves no file.
std::wstring DownloadFile(const std::wstring& url, const std::wstring& localPath, const DownloadLimits& limits);
