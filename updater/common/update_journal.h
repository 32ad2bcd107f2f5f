// The journal of one update: before a program file is replaced, its old copy
// is kept in the download folder and noted here, so that a failed or cut-off
// update can always be undone and the launcher always starts. The updater
// begins it, the helper ends it: the old copies go only when every file of
// the update is in place.
#pragma once

#include <string>

#include "settings/update_env.h"

class UpdateJournal {
 public:
  // Who holds the update: the updater while it installs, then the helper it
  // starts. Any other stage found at a start means a run was cut off.
  enum class Stage { kNone, kUpdater, kHandedOver, kHelper, kUnknown };

  explicit UpdateJournal(const CUpdateEnv& env);

  Stage stage() const;
  bool pending() const { return stage() != Stage::kNone; }
  void SetStage(Stage stage);

  // Keeps a whole copy of `target` (when it exists) and notes it; false when
  // the copy cannot be made, and then nothing was changed.
  bool Keep(const std::wstring& target);
  // Keep, then `source` replaces `target` in one step.
  bool Replace(const std::wstring& source, const std::wstring& target);
  // Puts every kept copy back, newest first, and removes files the update
  // added; the journal goes when everything is back.
  bool RollBack();
  // Every file is in: the old copies and the journal go. Files the update
  // added join the installer's list (install.ini), so that the uninstaller
  // removes them too.
  void Commit();

 private:
  int Count() const;
  void Clear();

  std::wstring programDir_;
  std::wstring journal_;  // download\rollback.ini
  std::wstring folder_;   // download\rollback\ (the old copies)
};
