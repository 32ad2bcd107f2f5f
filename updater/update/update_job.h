// One run of the updater: the paths, the flags the dialog and the worker
// share, and the worker that checks, downloads, installs and hands over.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/update_rules.h"
#include "settings/update_env.h"

struct UpdateSources {
  std::wstring base;       // the download server's "/download/" address
  std::wstring testBase;   // the loopback test server
  std::string publicKey;   // PEM; empty: manifests are taken unsigned
};

struct JobStatus {
  std::wstring status, detail;
  int progress = 0;
};

class UpdateJob {
 public:
  UpdateJob(CUpdateEnv env, UpdateSources sources);
  ~UpdateJob();
  UpdateJob(const UpdateJob&) = delete;
  UpdateJob& operator=(const UpdateJob&) = delete;

  const CUpdateEnv& env() const { return env_; }
  const UpdateSources& sources() const { return sources_; }

  void SetJobStatus(const std::wstring& status, const std::wstring& detail, int progress);
  JobStatus Status() const;

  void Cancel() { ::InterlockedExchange(&cancel_, 1); }
  bool cancelled() const { return ::InterlockedCompareExchange(const_cast<LONG*>(&cancel_), 0, 0) != 0; }

  // Shows the consent prompt (on the worker thread); true to close the launcher.
  std::function<bool()> askConsent;
  // The dialog's window in dialog mode; the worker posts WM_CLOSE to it at the end.
  HWND volatile mainWindow = nullptr;

  bool StartWorker();
  // Waits (bounded) for the worker; the handle is taken by whoever waits first.
  void JoinWorker(DWORD timeoutMs);

  // The worker's steps, public so that their results can be checked one by one.
  bool FetchManifest();
  bool BuildUpdateList();
  bool DownloadUpdates();
  bool CloseMainProgram();
  bool ApplyUpdates();
  void WriteRunEntry();
  void RunWorker();

  int updateCount() const { return updateCount_; }
  bool restartLauncher() const { return restartLauncher_ != 0; }

 private:
  std::wstring FetchFrom(const std::wstring& base);
  std::wstring TakeManifest(const std::vector<std::uint8_t>& bytes);
  bool IsUpdateTestEnabled() const;
  bool ResolvesInside(const std::wstring& file) const;
  bool Verified(const std::wstring& path, const std::wstring& md5, const std::wstring& sha256) const;
  bool signedBuild() const { return !sources_.publicKey.empty(); }

  CUpdateEnv env_;
  UpdateSources sources_;
  // The manifest as parsed from the bytes that were checked; the steps after
  // the download use this, never the file again.
  std::wstring offeredVersion_;
  std::vector<bimbly::update::ManifestEntry> offered_;
  int updateCount_ = 0;
  LONG cancel_ = 0;
  LONG restartLauncher_ = 0;
  HANDLE volatile worker_ = nullptr;
  mutable SRWLOCK lock_ = SRWLOCK_INIT;  // guards the three status values
  JobStatus status_;
};

// Blocks while a game is open (the game mutex exists), checking once a second.
void WaitForNoGame();

// Texts of the worker.
namespace updtext {
inline constexpr wchar_t kChecking[] = L"检查新的版本...";
inline constexpr wchar_t kNoUpdate[] = L"没有可用的更新。";
inline constexpr wchar_t kDownloading[] = L"正在下载...";
inline constexpr wchar_t kNotFound[] = L"找不到更新文件。";
inline constexpr wchar_t kClosing[] = L"关闭主程序...";
inline constexpr wchar_t kCancelled[] = L"已被取消。";
inline constexpr wchar_t kUpdating[] = L"更新文件...";
inline constexpr wchar_t kConnectionError[] = L"与服务器连接出错，请稍后再试或检查您的网络配置。";
inline constexpr wchar_t kErrorPrefix[] = L"错误信息:";
inline constexpr wchar_t kNotGenuine[] = L"签名无效，这不是正式发布的更新。";
inline constexpr wchar_t kRollback[] = L"更新的发布序号低于已安装的版本，这不是正式发布的更新。";
}  // namespace updtext
