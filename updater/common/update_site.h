// Where updates come from: the maker's download server, chosen when a release
// is built, and the loopback test server that "updatetest.ini" can enable.
#pragma once

#include <string>

#if __has_include("core/site_config.h")
#include "core/site_config.h"
#else
// Until the build provides the site: a reserved name that never resolves.
inline constexpr char kSiteUrl[] = "https://bimbly.example";
#endif

inline std::wstring DownloadBaseUrl() {
  std::wstring base;
  for (const char* p = kSiteUrl; *p; ++p) base.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
  while (!base.empty() && base.back() == L'/') base.pop_back();
  return base + L"/download/";
}

inline constexpr wchar_t kTestBaseUrl[] = L"http://127.0.0.1/download/";
