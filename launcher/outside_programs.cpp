#include "launcher/outside_programs.h"

#include <windows.h>
#include <shellapi.h>

#include "contracts/program_names.h"
#include "core/settings_rules.h"
#include "core/update_rules.h"
#include "core/site_address.h"
#include "framework/instance_mutex.h"
#include "settings/settings_store.h"
#include "settings/update_env.h"

namespace launcher {
namespace {
// Starts a program or opens an address without waiting for it. A failure
// stays silent: the system shows no message of its own either.
void OpenQuietly(const std::wstring& file, const wchar_t* parameters) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpParameters = parameters;
  info.nShow = SW_SHOWNORMAL;
  ::ShellExecuteExW(&info);
}
}  // namespace

std::wstring HelpPageAddress() { return bimbly::SiteAddress(L"help.html"); }

void OpenHelpPage() {
  // The platform's handler for web addresses: the user's default browser.
  OpenQuietly(HelpPageAddress(), nullptr);
}

void StartUpdater() {
  const CUpdateEnv env;
  OpenQuietly(env.updaterExe(), nullptr);
}

void CheckUpdateOnClose() {
  if (!settings::ReadAutoUpdate()) return;
  const CUpdateEnv env;
  OpenQuietly(env.updaterExe(), L"background");
}

bool HandOverCutOffUpdate() {
  const CUpdateEnv env;
  const std::wstring journal = env.path(bimbly::kDownloadDir) + bimbly::update::kUpdateJournalName;
  if (::GetFileAttributesW(journal.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  // Still under way: the update restarts the launcher itself.
  if (fw::MutexExists(contracts::kUpdaterMutex) || fw::MutexExists(contracts::kHelperMutex)) return false;
  OpenQuietly(env.path(bimbly::kHelperExe), L"background");
  return true;
}

}  // namespace launcher
