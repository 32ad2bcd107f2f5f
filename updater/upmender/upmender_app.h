// Upmender.exe: finishes an update. Closes the updater and the launcher,
// replaces the files the updater could not, runs the run-once programs,
// records the version, restarts the launcher and shows the completion notice.
// When any file cannot be replaced, or an earlier run was cut off, it puts
// the old files back instead and records nothing.
#pragma once

#include <string>
#include <vector>

#include "core/update_rules.h"
#include "framework/app.h"
#include "updater/common/update_journal.h"
#include "settings/update_env.h"
#include "updater/upmender/taskbar_notifier.h"

// Upmender.exe's application object: finishes an update.
class CUpmenderApp : public fw::CWinApp {
 public:
  bool InitInstance() override;

  // The steps, in the order they run.
  void CloseRunningPrograms();
  void StopTargets();
  bool ReplaceFiles(UpdateJournal& journal);
  void RunOnceFiles();
  bool RecordVersion(UpdateJournal& journal);
  void RemoveUpdateFiles();
  void StartLauncher();
  bool ShowDoneNotice();

 private:
  bool IsProgramFile(const std::wstring& path) const;
  bool IsDownloadedFile(const std::wstring& path) const;
  // True when `source` holds exactly the bytes the manifest lists for `dest`.
  bool IsVerifiedCopy(const std::wstring& source, const std::wstring& dest) const;

  // The manifest the updater checked, read once at the start.
  std::vector<bimbly::update::ManifestEntry> manifest_;

  CUpdateEnv env_;
  CTaskbarNotifier notifier_;
};
