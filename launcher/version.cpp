#include "launcher/version.h"

#include "framework/text.h"
#include "framework/window.h"
#include "launcher/resource.h"
#include "settings/settings_store.h"
#include "settings/update_env.h"

namespace launcher {

std::wstring GetVersionText() {
  const CUpdateEnv env;
  const std::wstring builtIn = fw::LoadResourceString(fw::ThisModule(), IDS_BUILTIN_VERSION);
  return settings::ReadConfigString(L"Version", L"ver", builtIn.c_str(), env.verInfoIni());
}

}  // namespace launcher
