// Where updates come from: the maker's download server, chosen when a release
// is built, and the loopback test server that "updatetest.ini" can enable.
#pragma once

#include <string>

#include "core/site_config.h"

inline std::wstring DownloadBaseUrl() {
  std::wstring base;
  for (const char* p = bimbly::kSiteUrl; *p; ++p) base.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
  while (!base.empty() && base.back() == L'/') base.pop_back();
  return base + L"/download/";
}

inline constexpr wchar_t kTestBaseUrl[] = L"http://127.0.0.1/download/";
