#include "updater/update/update_job.h"

#include <string_view>
#include <utility>
#include <vector>

#include "contracts/program_names.h"
#include "core/ini_text.h"
#include "core/update_rules.h"
#include "core/wait_bounds.h"
#include "framework/files.h"
#include "framework/instance_mutex.h"
#include "framework/text.h"
#include "framework/threads.h"
#include "updater/common/download.h"
#include "updater/common/file_digest.h"
#include "updater/common/file_replace.h"
#include "updater/common/manifest_signature.h"
#include "updater/common/process_ops.h"
#include "updater/common/update_ini.h"
#include "updater/common/update_journal.h"

using namespace bimbly;
using namespace bimbly::update;

namespace {

constexpr int kLauncherCloseChecks = bimbly::kProgramCloseLongMs / bimbly::kProcessPollMs;

DownloadLimits LimitsFor(std::uint64_t maxBytes) {
  DownloadLimits limits{maxBytes};
  limits.totalMs = TransferDeadlineMs(maxBytes);
  return limits;
}

std::wstring ParentOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

DWORD WINAPI WorkerThread(void* param) {
  static_cast<UpdateJob*>(param)->RunWorker();
  return 0;
}

}  // namespace

void WaitForNoGame() {
  for (std::uint32_t waited = 0; waited < bimbly::kGameEndWaitMs && fw::MutexExists(contracts::kGameMutex); waited += kProcessPollMs)
    ::Sleep(kProcessPollMs);
}

UpdateJob::UpdateJob(CUpdateEnv env, UpdateSources sources) : env_(std::move(env)), sources_(std::move(sources)) {
  EnsureDirectory(env_.path(kDownloadDir));
}

UpdateJob::~UpdateJob() { JoinWorker(bimbly::kUpdateWorkerJoinMs); }

void UpdateJob::SetJobStatus(const std::wstring& status, const std::wstring& detail, int progress) {
  ::AcquireSRWLockExclusive(&lock_);
  status_.status = status;
  status_.detail = detail;
  status_.progress = progress;
  ::ReleaseSRWLockExclusive(&lock_);
}

JobStatus UpdateJob::Status() const {
  ::AcquireSRWLockShared(&lock_);
  JobStatus copy = status_;
  ::ReleaseSRWLockShared(&lock_);
  return copy;
}

bool UpdateJob::StartWorker() {
  worker_ = ::CreateThread(nullptr, 0, WorkerThread, this, 0, nullptr);
  return worker_ != nullptr;
}

void UpdateJob::JoinWorker(DWORD timeoutMs) {
  HANDLE h = static_cast<HANDLE>(::InterlockedExchangePointer(const_cast<PVOID*>(&worker_), nullptr));
  if (!h) return;
  fw::JoinOrTerminate(h, timeoutMs);
  ::CloseHandle(h);
}

bool UpdateJob::IsUpdateTestEnabled() const {
  return IniRead(env_.path(kUpdateTestIni), L"UpdateTest", L"enable") == upkey::kTrue;
}

bool UpdateJob::ResolvesInside(const std::wstring& file) const {
  const std::wstring& dir = env_.programDir();
  if (!IsSafeProgramFileName(file, dir)) return false;
  return IsInsideFolder(FullPathOf(dir + file), dir) &&
         IsInsideFolder(FullPathOf(env_.path(kDownloadDir) + file + L"_"), env_.path(kDownloadDir));
}

bool UpdateJob::Verified(const std::wstring& path, const std::wstring& md5, const std::wstring& sha256) const {
  if (FileMd5Hex(path) != md5) return false;
  // A signed manifest vouches for the SHA-256 digest; MD5 alone is not enough.
  return !signedBuild() || (!sha256.empty() && FileSha256Hex(path) == sha256);
}

// Downloads the manifest from one base address into lastver.ini. The file is
// first written under a temporary name, so that a failed or refused download
// never leaves a manifest behind.
std::wstring UpdateJob::FetchFrom(const std::wstring& base) {
  const std::wstring part = env_.path(kLastVerIni) + L".part";
  std::wstring result = DownloadFile(ManifestUrl(base), part, LimitsFor(kManifestLimit));
  std::vector<std::uint8_t> manifest;
  const bool read = result == kDownloadOk && ReadSmallFile(part, kManifestLimit, manifest);
  ::DeleteFileW(part.c_str());
  if (result != kDownloadOk) return result;
  if (!read) return L"lastver cannot be read";
  if (signedBuild()) {
    const std::wstring sigPart = env_.path(kDownloadDir) + L"lastver.sig.part";
    const std::wstring sigResult = DownloadFile(SignatureUrl(base), sigPart, LimitsFor(1024));
    std::vector<std::uint8_t> signature;
    const bool genuine = sigResult == kDownloadOk && ReadSmallFile(sigPart, 1024, signature) &&
                         VerifyManifestSignature(manifest, signature, P256PointFromPem(sources_.publicKey));
    ::DeleteFileW(sigPart.c_str());
    if (!genuine) return updtext::kNotGenuine;
  }
  return TakeManifest(manifest);
}

// Reads the manifest from the bytes in memory, the ones whose signature was
// checked, and keeps a copy of exactly those bytes as lastver.ini for the helper.
std::wstring UpdateJob::TakeManifest(const std::vector<std::uint8_t>& bytes) {
  const IniText ini(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  const auto read = [&](const std::wstring& section, const std::wstring& key) {
    return fw::GbkToWide(ini.Get(fw::WideToGbk(section), fw::WideToGbk(key)));
  };
  offeredVersion_ = read(upkey::kVersion, upkey::kVer);
  offered_ = ReadManifestEntries(read);
  if (signedBuild()) {
    const std::wstring installed = IniRead(env_.verInfoIni(), upkey::kVersion, upkey::kSerial);
    switch (CompareSerial(read(upkey::kVersion, upkey::kSerial), installed)) {
      case SerialVerdict::kNewer: break;
      case SerialVerdict::kSame:
        // The release that is installed: nothing to take, nothing wrong.
        offeredVersion_.clear();
        offered_.clear();
        return kDownloadOk;
      default:
        offeredVersion_.clear();
        offered_.clear();
        return updtext::kRollback;
    }
  }
  if (!fw::WriteFileAtomically(env_.path(kLastVerIni), bytes.data(), bytes.size())) return L"lastver.ini cannot be written";
  return kDownloadOk;
}

bool UpdateJob::FetchManifest() {
  std::wstring result = FetchFrom(sources_.base);
  if (result != kDownloadOk && IsUpdateTestEnabled()) result = FetchFrom(sources_.testBase);
  if (result == kDownloadOk) {
    SetJobStatus(updtext::kChecking, L"", 50);
    return true;
  }
  SetJobStatus(updtext::kConnectionError, std::wstring(updtext::kErrorPrefix) + result, 100);
  return false;
}

bool UpdateJob::BuildUpdateList() {
  const std::wstring updateIni = env_.path(kUpdateIni);
  ::DeleteFileW(updateIni.c_str());
  std::vector<ManifestEntry> entries;
  for (const auto& e : offered_)
    if (ResolvesInside(e.file)) entries.push_back(e);
  const auto selected = SelectUpdates(offeredVersion_, entries, env_.programDir(), [&](const std::wstring& file) {
    return FileMd5Hex(env_.programDir() + file);
  });
  for (std::size_t k = 0; k < selected.size(); ++k) WriteFileEntry(updateIni, static_cast<int>(k), selected[k]);
  updateCount_ = static_cast<int>(selected.size());
  return !selected.empty();
}

bool UpdateJob::DownloadUpdates() {
  bool all = true;
  int s = 100;
  for (const auto& e : ReadFileEntries(env_.path(kUpdateIni))) {
    const int percent = ProgressPercent(s, updateCount_);
    s += 100;
    if (!ResolvesInside(e.file)) continue;
    const std::wstring temp = env_.path(kDownloadDir) + e.file + L"_";
    if (Verified(temp, e.check, e.sha256)) continue;
    EnsureDirectory(ParentOf(temp));
    // Each download lands under a name of its own and takes the download
    // name only once both digests match.
    const std::wstring part = temp + L".part";
    bool ok = false;
    for (const auto& url : e.urls) {
      if (!IsAllowedFileUrl(url)) continue;
      const std::wstring result = DownloadFile(url, part, LimitsFor(DownloadLimit(ParseSize(e.size))));
      if (result == kDownloadOk && Verified(part, e.check, e.sha256) && MoveReplacing(part, temp)) {
        SetJobStatus(updtext::kDownloading, temp, percent);
        ok = true;
        break;
      }
      ::DeleteFileW(part.c_str());
    }
    if (!ok) {
      ::DeleteFileW(temp.c_str());
      all = false;
    }
  }
  return all;
}

bool UpdateJob::CloseMainProgram() {
  const DWORD pid = FindProcessByPath(env_.path(kLauncherExe));
  if (pid == kNoProcess) return true;
  WaitForNoGame();
  if (!askConsent || !askConsent()) return false;
  ::InterlockedExchange(&restartLauncher_, 1);
  if (!CloseProcessWindows(pid, kLauncherCloseChecks)) TerminateProcessById(pid);
  return true;
}

bool UpdateJob::ApplyUpdates() {
  UpdateJournal journal(env_);
  // An earlier install that was cut off is undone before this one begins.
  if (journal.pending()) journal.RollBack();
  journal.SetStage(UpdateJournal::Stage::kUpdater);
  const std::wstring uphelp = env_.path(kUpHelpIni);
  ::DeleteFileW(uphelp.c_str());
  bool all = true;
  int s = 100, k = 0;
  for (const auto& e : ReadFileEntries(env_.path(kUpdateIni))) {
    const int percent = ProgressPercent(s, updateCount_);
    s += 100;
    if (!ResolvesInside(e.file)) continue;
    const std::wstring target = env_.programDir() + e.file;
    const std::wstring temp = env_.path(kDownloadDir) + e.file + L"_";
    // Checked again just before it is used: the copy on disk is what was verified.
    if (Verified(temp, e.check, e.sha256)) {
      ::SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
      EnsureDirectory(ParentOf(target));
      if (journal.Replace(temp, target)) {
        SetJobStatus(updtext::kDownloading, temp, percent);
        ::DeleteFileW(temp.c_str());
        continue;
      }
    }
    const std::wstring section = ListName(L"File", k++);
    IniWrite(uphelp, section, upkey::kSource, temp);
    IniWrite(uphelp, section, upkey::kDest, target);
    all = false;
  }
  return all;
}

void UpdateJob::WriteRunEntry() { IniWrite(env_.path(kUpHelpIni), upkey::kRun, upkey::kFile, env_.path(kLauncherExe)); }

void UpdateJob::RunWorker() {
  SetJobStatus(updtext::kChecking, L"", 0);
  if (cancelled() || !FetchManifest()) return;

  SetJobStatus(updtext::kChecking, L"", 100);
  if (cancelled() || !BuildUpdateList()) {
    SetJobStatus(updtext::kChecking, updtext::kNoUpdate, 100);
    return;
  }

  SetJobStatus(updtext::kDownloading, L"", 0);
  if (cancelled() || !DownloadUpdates()) {
    SetJobStatus(updtext::kDownloading, updtext::kNotFound, 0);
    return;
  }

  SetJobStatus(updtext::kClosing, L"", 0);
  // A helper still at work holds the program folder: this install waits for the next run.
  if (cancelled() || fw::MutexExists(contracts::kHelperMutex) || !CloseMainProgram()) {
    SetJobStatus(updtext::kClosing, updtext::kCancelled, 0);
  } else {
    SetJobStatus(updtext::kUpdating, L"", 0);
    ApplyUpdates();
    if (restartLauncher()) WriteRunEntry();
    SetJobStatus(updtext::kUpdating, L"", 100);
    // The helper finishes the update, or undoes it: until it runs, the journal says who holds it.
    UpdateJournal journal(env_);
    journal.SetStage(UpdateJournal::Stage::kHandedOver);
    if (!OpenProgram(env_.path(kHelperExe), L"background")) {
      journal.RollBack();
      if (restartLauncher()) OpenProgram(env_.path(kLauncherExe), nullptr);
      return;
    }
  }
  if (HWND main = mainWindow) ::PostMessageW(main, WM_CLOSE, 0, 0);
}
