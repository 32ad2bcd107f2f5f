#include "updater/upmender/upmender_app.h"

#include <shellapi.h>

#include "contracts/program_names.h"
#include "core/update_rules.h"
#include "core/wait_bounds.h"
#include "framework/instance_mutex.h"
#include "framework/text.h"
#include "updater/common/file_digest.h"
#include "updater/common/file_replace.h"
#include "updater/common/process_ops.h"
#include "updater/common/update_ini.h"
#include "updater/upmender/resource.h"

using namespace bimbly;
using namespace bimbly::update;

namespace {
constexpr int kCloseChecks = bimbly::kProgramCloseMs / bimbly::kProcessPollMs;
constexpr wchar_t kFirstVersion[] = L"0.1";

void StopProgramAt(const std::wstring& path) {
  EnableDebugPrivilege();
  const DWORD pid = FindProcessByPath(path);
  // Never the helper itself: that would end the update half-way.
  if (pid != kNoProcess && pid != ::GetCurrentProcessId()) TerminateProcessById(pid);
}
}  // namespace

bool CUpmenderApp::IsProgramFile(const std::wstring& path) const {
  return IsInsideFolder(FullPathOf(path), env_.programDir());
}

bool CUpmenderApp::IsDownloadedFile(const std::wstring& path) const {
  return IsInsideFolder(FullPathOf(path), env_.path(kDownloadDir));
}

void CUpmenderApp::CloseRunningPrograms() {
  for (int index : {kUpdaterExe, kLauncherExe}) {
    const DWORD pid = FindProcessByPath(env_.path(static_cast<UpdatePathIndex>(index)));
    if (pid != kNoProcess && !CloseProcessWindows(pid, kCloseChecks)) TerminateProcessById(pid);
  }
}

void CUpmenderApp::StopTargets() {
  const std::wstring uphelp = env_.path(kUpHelpIni);
  ForEachListEntry([&](int i) {
    const std::wstring dest = IniRead(uphelp, ListName(L"File", i), upkey::kDest);
    if (dest.empty()) return false;
    if (HasExeSuffix(dest) && IsProgramFile(dest)) StopProgramAt(dest);
    return true;
  });
}

bool CUpmenderApp::IsVerifiedCopy(const std::wstring& source, const std::wstring& dest) const {
  const std::wstring& dir = env_.programDir();
  const std::wstring full = FullPathOf(dest);
  if (!IsInsideFolder(full, dir)) return false;
  const std::wstring file = full.substr(dir.size());
  const ManifestEntry* entry = FindEntry(manifest_, file);
  if (!entry || ::lstrcmpiW(FullPathOf(source).c_str(), (env_.path(kDownloadDir) + file + L"_").c_str()) != 0)
    return false;
  // SHA-256 where the manifest gives it (every signed one does), else its MD5.
  return entry->sha256.empty() ? FileMd5Hex(source) == entry->check : FileSha256Hex(source) == entry->sha256;
}

bool CUpmenderApp::ReplaceFiles(UpdateJournal& journal) {
  const std::wstring uphelp = env_.path(kUpHelpIni);
  bool all = true;
  ForEachListEntry([&](int i) {
    const std::wstring section = ListName(L"File", i);
    const std::wstring source = IniRead(uphelp, section, upkey::kSource);
    if (source.empty()) return false;
    const std::wstring dest = IniRead(uphelp, section, upkey::kDest);
    // Only downloaded copies go, only over files of the program folder, and
    // only when their bytes are still the ones the manifest lists.
    if (!IsDownloadedFile(source) || !IsProgramFile(dest) || !IsVerifiedCopy(source, dest)) {
      all = false;
      return true;
    }
    if (journal.Replace(source, dest)) {
      ::DeleteFileW(source.c_str());
      return true;
    }
    StopProgramAt(dest);
    ::Sleep(kProcessPollMs);
    if (journal.Replace(source, dest)) {
      ::DeleteFileW(source.c_str());
    } else {
      all = false;
    }
    return true;
  });
  return all;
}

void CUpmenderApp::RunOnceFiles() {
  const std::wstring updateIni = env_.path(kUpdateIni);
  ForEachListEntry([&](int i) {
    const std::wstring section = ListName(L"File", i);
    const std::wstring file = IniRead(updateIni, section, upkey::kFile);
    if (file.empty()) return false;
    if (IniRead(updateIni, section, upkey::kRunOnce) != upkey::kTrue) return true;
    if (!IsSafeProgramFileName(file, env_.programDir())) return true;
    // Only a program the checked manifest names as run-once, with its bytes.
    const ManifestEntry* entry = FindEntry(manifest_, file);
    if (!entry || entry->runonce != upkey::kTrue) return true;
    const std::wstring full = env_.programDir() + file;
    if (!HasExeSuffix(full) || !IsProgramFile(full)) return true;
    if (entry->sha256.empty() ? FileMd5Hex(full) != entry->check : FileSha256Hex(full) != entry->sha256) return true;
    if (OpenProgram(full, nullptr)) {
      ::Sleep(kProcessPollMs);
      const DWORD pid = FindProcessByPath(full);
      if (pid != kNoProcess) WaitForProcessEnd(pid, kRunOnceProgramMs / kProcessPollMs);
    }
    return true;
  });
}

bool CUpmenderApp::RecordVersion(UpdateJournal& journal) {
  const std::wstring verinfo = env_.verInfoIni();
  const std::wstring lastver = env_.path(kLastVerIni);
  // The record is part of the update: undone with the files if the end is cut off.
  if (!journal.Keep(verinfo)) return false;
  const std::wstring newVersion = IniRead(lastver, upkey::kVersion, upkey::kVer);
  std::wstring oldVersion = IniRead(verinfo, upkey::kVersion, upkey::kVer);
  IniWrite(verinfo, upkey::kVersion, upkey::kVer, newVersion);
  IniWrite(verinfo, upkey::kVersion, upkey::kPath, env_.programDir());
  // A signed release's serial, so that an older release is never taken again.
  const std::wstring serial = IniRead(lastver, upkey::kVersion, upkey::kSerial);
  if (ParseSerial(serial)) IniWrite(verinfo, upkey::kVersion, upkey::kSerial, serial);
  if (oldVersion.empty()) oldVersion = kFirstVersion;
  const int slot = FirstEmptyEntry([&](int n) { return IniRead(verinfo, ListName(L"History", n), upkey::kVer); });
  return IniWrite(verinfo, ListName(L"History", slot), upkey::kVer, oldVersion);
}

void CUpmenderApp::RemoveUpdateFiles() {
  for (int index : {kUpHelpIni, kUpdateIni, kLastVerIni}) {
    const std::wstring path = env_.path(static_cast<UpdatePathIndex>(index));
    ::DeleteFileW(path.c_str());
  }
}

void CUpmenderApp::StartLauncher() { OpenProgram(env_.path(kLauncherExe), nullptr); }

bool CUpmenderApp::ShowDoneNotice() {
  const std::wstring text = fw::LoadResourceString(fw::ThisModule(), IDS_UPDATE_DONE);
  if (!notifier_.CreateNoticeWindow()) return false;
  if (!notifier_.LoadNoticeSkin(IDB_NOTICE_SKIN)) {
    notifier_.DestroyWindow();
    return false;
  }
  notifier_.SetNoticeFont();
  notifier_.SetTextColour(RGB(0, 0, 0));
  ::InvalidateRect(notifier_.hwnd(), nullptr, TRUE);
  notifier_.SetTextRect(RECT{10, 40, notifier_.skinWidth() - 10, notifier_.skinHeight() - 25});
  notifier_.ShowNotice(text);
  return true;
}

bool CUpmenderApp::InitInstance() {
  static fw::InstanceMutex mutex;
  if (!mutex.Take(contracts::kHelperMutex)) return false;
  if (!IsBackgroundCommandLine()) return false;
  CloseRunningPrograms();
  UpdateJournal journal(env_);
  const UpdateJournal::Stage stage = journal.stage();
  if (stage != UpdateJournal::Stage::kNone && stage != UpdateJournal::Stage::kHandedOver) {
    // An earlier install was cut off (the updater or a helper killed, the
    // power gone): the old files come back and the launcher starts as it was.
    journal.RollBack();
    ::DeleteFileW(env_.path(kUpHelpIni).c_str());
    StartLauncher();
    return false;
  }
  journal.SetStage(UpdateJournal::Stage::kHelper);
  manifest_ = ReadFileEntries(env_.path(kLastVerIni));
  // The launcher is started again only when the updater closed it; whatever
  // else the file says, never another program.
  const std::wstring run = IniRead(env_.path(kUpHelpIni), upkey::kRun, upkey::kFile);
  const bool restart = !run.empty() && ::lstrcmpiW(FullPathOf(run).c_str(), env_.path(kLauncherExe).c_str()) == 0;
  StopTargets();
  bool done = ReplaceFiles(journal);
  if (done) {
    RunOnceFiles();
    done = RecordVersion(journal);
  }
  if (done) {
    journal.Commit();
    RemoveUpdateFiles();
  } else {
    journal.RollBack();
    ::DeleteFileW(env_.path(kUpHelpIni).c_str());
  }
  if (restart) StartLauncher();
  // Without its notice the helper has nothing left to do and ends.
  return done && ShowDoneNotice();
}
