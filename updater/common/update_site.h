// Where updates come from: the maker's download server, chosen when a release
// is built, and the loopback test server that "updatetest.ini" can enable.
#pragma once

#include <string>

#include "core/site_address.h"

inline std::wstring DownloadBaseUrl() { return bimbly::SiteAddress(L"download/"); }

inline constexpr wchar_t kTestBaseUrl[] = L"http://127.0.0.1/download/";
