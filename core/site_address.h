// Addresses on the maker's site, joined in one place so that a site given
// with or without a trailing slash never makes "...//help.html".
#pragma once

#include <string>
#include <string_view>

namespace bimbly {

// `base` and `path` with exactly one "/" between them.
std::wstring JoinAddress(std::wstring_view base, std::wstring_view path);

// An address on the site this build was made for ("help.html", "download/").
std::wstring SiteAddress(std::wstring_view path);

}  // namespace bimbly
