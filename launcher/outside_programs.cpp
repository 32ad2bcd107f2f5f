#include "launcher/outside_programs.h"

#include <windows.h>
#include <shellapi.h>

#include "core/settings_rules.h"
#include "core/site_config.h"
#include "settings/settings_store.h"
#include "updater/env/update_env.h"

namespace launcher {

std::wstring HelpPageAddress() {
  // The build-time address is UTF-8 text.
  wchar_t site[1024] = {};
  ::MultiByteToWideChar(CP_UTF8, 0, bimbly::kSiteUrl, -1, site, 1023);
  return std::wstring(site) + L"/help.html";
}

void OpenHelpPage() {
  // The platform's handler for web addresses: the user's default browser.
  const std::wstring address = HelpPageAddress();
  ::ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, L"", SW_SHOWNORMAL);
}

void StartUpdater() {
  const CUpdateEnv env;
  ::ShellExecuteW(nullptr, L"open", env.updaterExe().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CheckUpdateOnClose() {
  if (!settings::ReadAutoUpdate()) return;
  const CUpdateEnv env;
  ::ShellExecuteW(nullptr, L"open", env.updaterExe().c_str(), L"background", nullptr, SW_SHOWNORMAL);
}

}  // namespace launcher
