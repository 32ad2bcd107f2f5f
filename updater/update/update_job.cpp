#include "updater/update/update_job.h"

#include <string_view>
#include <utility>
#include <vector>

#include "core/update_rules.h"
#include "core/wait_bounds.h"
#include "framework/threads.h"
#include "updater/common/download.h"
#include "updater/common/file_digest.h"
#include "updater/common/file_replace.h"
#include "updater/common/manifest_signature.h"
#include "updater/common/process_ops.h"
#include "updater/common/update_ini.h"

using namespace bimbly;
using namespace bimbly::update;

namespace {

constexpr wchar_t kGameMutex[] = L"TobbleBabyPlaying";
constexpr int kLauncherCloseChecks = bimbly::kProgramCloseLongMs / 1000;

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
  for (std::uint32_t waited = 0; waited < bimbly::kGameEndWaitMs && MutexExists(kGameMutex); waited += 1000)
    ::Sleep(1000);
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
  const std::wstring target = env_.path(kLastVerIni);
  const std::wstring part = target + L".part";
  std::wstring result = DownloadFile(ManifestUrl(base), part, LimitsFor(kManifestLimit));
  if (result != kDownloadOk) {
    ::DeleteFileW(part.c_str());
    return result;
  }
  if (signedBuild()) {
    const std::wstring sigPart = env_.path(kDownloadDir) + L"lastver.sig.part";
    const std::wstring sigResult = DownloadFile(SignatureUrl(base), sigPart, LimitsFor(1024));
    std::vector<std::uint8_t> manifest, signature;
    const bool genuine = sigResult == kDownloadOk && ReadSmallFile(part, kManifestLimit, manifest) &&
                         ReadSmallFile(sigPart, 1024, signature) &&
                         VerifyManifestSignature(manifest, signature, P256PointFromPem(sources_.publicKey));
    ::DeleteFileW(sigPart.c_str());
    if (!genuine) {
      ::DeleteFileW(part.c_str());
      return updtext::kNotGenuine;
    }
    // Only now, with the bytes known to be the maker's, is the manifest read.
    const std::wstring offered = IniRead(part, upkey::kVersion, upkey::kSerial);
    const std::wstring installed = IniRead(env_.verInfoIni(), upkey::kVersion, upkey::kSerial);
    if (!SerialAcceptable(offered, installed)) {
      ::DeleteFileW(part.c_str());
      return updtext::kRollback;
    }
  }
  if (!MoveReplacing(part, target)) {
    ::DeleteFileW(part.c_str());
    return L"lastver.ini cannot be written";
  }
  return result;
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
  const std::wstring lastver = env_.path(kLastVerIni);
  const std::wstring version = IniRead(lastver, upkey::kVersion, upkey::kVer);
  std::vector<ManifestEntry> entries;
  for (auto& e : ReadFileEntries(lastver))
    if (ResolvesInside(e.file)) entries.push_back(std::move(e));
  const auto selected = SelectUpdates(version, entries, env_.programDir(), [&](const std::wstring& file) {
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
    bool ok = false;
    for (const auto& url : e.urls) {
      if (!IsAllowedFileUrl(url)) continue;
      const std::wstring result = DownloadFile(url, temp, LimitsFor(DownloadLimit(ParseSize(e.size))));
      if (result == kDownloadOk && Verified(temp, e.check, e.sha256)) {
        SetJobStatus(updtext::kDownloading, temp, percent);
        ok = true;
        break;
      }
      ::DeleteFileW(temp.c_str());
    }
    if (!ok) all = false;
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
    if (FileExists(temp)) {
      ::SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
      EnsureDirectory(ParentOf(target));
      if (ReplaceFileAtomically(temp, target)) {
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
  if (cancelled() || !CloseMainProgram()) {
    SetJobStatus(updtext::kClosing, updtext::kCancelled, 0);
  } else {
    SetJobStatus(updtext::kUpdating, L"", 0);
    ApplyUpdates();
    if (restartLauncher()) WriteRunEntry();
    SetJobStatus(updtext::kUpdating, L"", 100);
    if (!OpenProgram(env_.path(kHelperExe), L"background")) return;
  }
  if (HWND main = mainWindow) ::PostMessageW(main, WM_CLOSE, 0, 0);
}
