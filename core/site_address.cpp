#include "core/site_address.h"

#include "core/site_config.h"

namespace bimbly {

std::wstring JoinAddress(std::wstring_view base, std::wstring_view path) {
  while (!base.empty() && base.back() == L'/') base.remove_suffix(1);
  while (!path.empty() && path.front() == L'/') path.remove_prefix(1);
  std::wstring address(base);
  address.push_back(L'/');
  address.append(path);
  return address;
}

std::wstring SiteAddress(std::wstring_view path) {
  // The site is checked at configuration to be an http(s) address: ASCII.
  std::wstring site;
  for (const char* p = kSiteUrl; *p; ++p) site.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
  return JoinAddress(site, path);
}

}  // namespace bimbly
