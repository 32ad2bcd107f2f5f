// Upmender.exe: finishes an update. Closes the updater and the launcher,
// replaces the files the updater could not, runs the run-once programs,
// records the version, restarts the launcher and shows the completion notice.
#pragma once

#include "framework/app.h"
#include "updater/env/update_env.h"
#include "updater/upmender/taskbar_notifier.h"

// Upmender.exe's application object: finishes an update.
class CUpmenderApp : public fw::CWinApp {
 public:
  bool InitInstance() override;

  // The steps, in the order they run.
  void CloseRunningPrograms();
  void StopTargets();
  bool ReplaceFiles();
  void RunOnceFiles();
  void RecordVersion();
  void RunAfterUpdate();
  bool ShowDoneNotice();

 private:
  bool IsProgramFile(const std::wstring& path) const;
  bool IsDownloadedFile(const std::wstring& path) const;

  CUpdateEnv env_;
  CTaskbarNotifier notifier_;
};
