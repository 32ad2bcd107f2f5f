#include "launcher/version.h"

#include "framework/text.h"
#include "framework/window.h"
#include "launcher/resource.h"
#include "launcher/shared/settings_store.h"
#include "updater/env/update_env.h"

std::wstring GetVersionText() {
  const CUpdateEnv env;
  const std::wstring builtIn = fw::LoadResourceString(fw::ThisModule(), IDS_BUILTIN_VERSION);
  return ReadConfigString(L"Version", L"ver", builtIn.c_str(), env.verInfoIni());
}
