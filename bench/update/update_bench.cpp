// Times the updater's own digest and download code:
//   update_bench digest FILE          seconds for FileMd5Hex and FileSha256Hex
//   update_bench download URL OUT     seconds for DownloadFile
#include <windows.h>

#include <cstdio>
#include <string>

#include "updater/common/download.h"
#include "updater/common/file_digest.h"

namespace {
double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring verb = argv[1];
  LARGE_INTEGER t0, t1;
  if (verb == L"digest") {
    for (DigestKind kind : {DigestKind::kMd5, DigestKind::kSha256}) {
      ::QueryPerformanceCounter(&t0);
      const std::wstring hex = FileDigestHex(argv[2], kind);
      ::QueryPerformanceCounter(&t1);
      std::printf("%s %ls %.3f\n", kind == DigestKind::kMd5 ? "md5" : "sha256", hex.c_str(), Seconds(t0, t1));
    }
    return 0;
  }
  if (verb == L"download" && argc >= 4) {
    DownloadLimits limits{1ull << 40};
    limits.totalMs = 10 * 60 * 1000;
    ::QueryPerformanceCounter(&t0);
    const std::wstring result = DownloadFile(argv[2], argv[3], limits);
    ::QueryPerformanceCounter(&t1);
    std::printf("download %ls %.3f\n", result.c_str(), Seconds(t0, t1));
    return result == kDownloadOk ? 0 : 1;
  }
  return 2;
}
