#include "updater/common/update_journal.h"

#include <windows.h>

#include "core/update_rules.h"
#include "updater/common/file_replace.h"
#include "updater/common/update_ini.h"

using namespace bimbly::update;

namespace {
constexpr wchar_t kStateSection[] = L"State";
constexpr wchar_t kStageKey[] = L"stage";
constexpr wchar_t kBackupKey[] = L"backup";
constexpr wchar_t kExistedKey[] = L"existed";

const wchar_t* StageName(UpdateJournal::Stage stage) {
  switch (stage) {
    case UpdateJournal::Stage::kUpdater: return L"updater";
    case UpdateJournal::Stage::kHandedOver: return L"handed-over";
    case UpdateJournal::Stage::kHelper: return L"helper";
    default: return L"";
  }
}
}  // namespace

UpdateJournal::UpdateJournal(const CUpdateEnv& env)
    : programDir_(env.programDir()),
      journal_(env.path(bimbly::kDownloadDir) + kUpdateJournalName),
      folder_(env.path(bimbly::kDownloadDir) + L"rollback\\") {}

UpdateJournal::Stage UpdateJournal::stage() const {
  if (!FileExists(journal_)) return Stage::kNone;
  const std::wstring name = IniRead(journal_, kStateSection, kStageKey);
  for (Stage s : {Stage::kUpdater, Stage::kHandedOver, Stage::kHelper})
    if (name == StageName(s)) return s;
  return Stage::kUnknown;
}

void UpdateJournal::SetStage(Stage stage) {
  EnsureDirectory(folder_);
  IniWrite(journal_, kStateSection, kStageKey, StageName(stage));
}

int UpdateJournal::Count() const {
  return FirstEmptyEntry([&](int n) { return IniRead(journal_, ListName(L"File", n), upkey::kDest); });
}

bool UpdateJournal::Keep(const std::wstring& target) {
  EnsureDirectory(folder_);
  const int n = Count();
  const std::wstring section = ListName(L"File", n);
  const bool existed = FileExists(target);
  const std::wstring backup = folder_ + std::to_wstring(n) + L".old";
  // The copy is whole before the journal names it, and the journal names it
  // before the target changes: a cut at any point leaves something to undo with.
  if (existed && !ReplaceFileAtomically(target, backup)) return false;
  IniWrite(journal_, section, kBackupKey, backup);
  IniWrite(journal_, section, kExistedKey, existed ? L"1" : L"0");
  return IniWrite(journal_, section, upkey::kDest, target);
}

bool UpdateJournal::Replace(const std::wstring& source, const std::wstring& target) {
  return Keep(target) && ReplaceFileAtomically(source, target);
}

bool UpdateJournal::RollBack() {
  bool all = true;
  for (int n = Count() - 1; n >= 0; --n) {
    const std::wstring section = ListName(L"File", n);
    const std::wstring dest = IniRead(journal_, section, upkey::kDest);
    const std::wstring backup = IniRead(journal_, section, kBackupKey);
    if (IniRead(journal_, section, kExistedKey) == L"1") {
      if (FileExists(backup) && !ReplaceFileAtomically(backup, dest)) all = false;
    } else if (FileExists(dest)) {
      ::SetFileAttributesW(dest.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!::DeleteFileW(dest.c_str())) all = false;
    }
  }
  // What could not be put back stays noted, for the next start to try again.
  if (all) Clear();
  return all;
}

void UpdateJournal::Commit() {
  const std::wstring list = programDir_ + L"install.ini";
  if (FileExists(list)) {
    int slots = _wtoi(IniRead(list, L"Files", L"slots").c_str());
    for (int n = 0; n < Count(); ++n) {
      const std::wstring section = ListName(L"File", n);
      const std::wstring dest = IniRead(journal_, section, upkey::kDest);
      if (IniRead(journal_, section, kExistedKey) != L"0" || !IsInsideFolder(dest, programDir_)) continue;
      IniWrite(list, L"Files", ListName(L"f", slots++).c_str(), dest.substr(programDir_.size()));
    }
    IniWrite(list, L"Files", L"slots", std::to_wstring(slots));
  }
  Clear();
}

void UpdateJournal::Clear() {
  for (int n = Count() - 1; n >= 0; --n) {
    const std::wstring backup = IniRead(journal_, ListName(L"File", n), kBackupKey);
    if (!backup.empty()) ::DeleteFileW(backup.c_str());
  }
  ::DeleteFileW(journal_.c_str());
  ::RemoveDirectoryW(folder_.c_str());
}
