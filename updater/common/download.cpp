#include "updater/common/download.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <vector>

#include "core/wait_bounds.h"
#include "framework/handles.h"
#include "framework/threads.h"

namespace {

std::wstring ErrorText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_FROM_HMODULE;
  DWORD n = ::FormatMessageW(flags, ::GetModuleHandleW(L"wininet.dll"), code, 0,
                             reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring result = n && text ? std::wstring(text, n) : std::wstring();
  if (text) ::LocalFree(text);
  while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r' || result.back() == L' '))
    result.pop_back();
  if (result.empty()) result = L"error " + std::to_wstring(code);
  if (result.size() > 254) result.resize(254);
  return result;
}

void SetTimeouts(HINTERNET h, const DownloadLimits& limits) {
  DWORD connect = limits.connectMs, io = limits.readMs;
  ::InternetSetOptionW(h, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  ::InternetSetOptionW(h, INTERNET_OPTION_SEND_TIMEOUT, &io, sizeof io);
  ::InternetSetOptionW(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &io, sizeof io);
  ::InternetSetOptionW(h, INTERNET_OPTION_DATA_SEND_TIMEOUT, &io, sizeof io);
  ::InternetSetOptionW(h, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &io, sizeof io);
  DWORD retries = 1;
  ::InternetSetOptionW(h, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);
}

// Ends a transfer that stalls or runs too long, by closing its handles from
// another thread: the blocked WinInet call then returns with an error. The
// platform's own time-outs are set too, but not every WinInet honours them
// for reads of a response body.
class TransferWatchdog {
 public:
  TransferWatchdog(HINTERNET session, const DownloadLimits& limits)
      : session_(session), limits_(limits), start_(::GetTickCount64()) {
    lastProgress_ = static_cast<LONG64>(start_);
    thread_.reset(::CreateThread(nullptr, 0, &TransferWatchdog::Run, this, 0, nullptr));
  }
  ~TransferWatchdog() { Stop(); }
  TransferWatchdog(const TransferWatchdog&) = delete;
  TransferWatchdog& operator=(const TransferWatchdog&) = delete;

  void Watch(HINTERNET remote) { ::InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&remote_), remote); }
  // Closes the watched remote handle unless the watchdog already did.
  void Release() {
    if (HINTERNET remote = static_cast<HINTERNET>(
            ::InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&remote_), nullptr)))
      ::InternetCloseHandle(remote);
  }
  void Progress() { ::InterlockedExchange64(&lastProgress_, static_cast<LONG64>(::GetTickCount64())); }
  bool fired() const { return ::InterlockedCompareExchange(const_cast<LONG*>(&fired_), 0, 0) != 0; }
  // Stops watching; returns true when the handles are still the caller's to close.
  bool Stop() {
    if (thread_) {
      ::SetEvent(stop_.get());
      fw::JoinOrTerminate(thread_.get(), bimbly::kDownloadWatchdogJoinMs);
      thread_.reset();
    }
    return !fired();
  }

 private:
  static DWORD WINAPI Run(void* param) {
    auto* self = static_cast<TransferWatchdog*>(param);
    while (::WaitForSingleObject(self->stop_.get(), bimbly::kDownloadWatchdogTickMs) == WAIT_TIMEOUT) {
      const ULONGLONG now = ::GetTickCount64();
      const auto last = static_cast<ULONGLONG>(::InterlockedCompareExchange64(&self->lastProgress_, 0, 0));
      if (now - last > std::max(self->limits_.readMs, self->limits_.connectMs) ||
          now - self->start_ > self->limits_.totalMs) {
        ::InterlockedExchange(&self->fired_, 1);
        if (HINTERNET remote = static_cast<HINTERNET>(
                ::InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&self->remote_), nullptr)))
          ::InternetCloseHandle(remote);
        ::InternetCloseHandle(self->session_);
        return 0;
      }
    }
    return 0;
  }

  HINTERNET session_;
  HINTERNET volatile remote_ = nullptr;
  DownloadLimits limits_;
  ULONGLONG start_;
  LONG64 volatile lastProgress_;
  LONG volatile fired_ = 0;
  fw::UniqueKernelHandle stop_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  fw::UniqueKernelHandle thread_;
};

std::wstring Transfer(HINTERNET session, TransferWatchdog& watchdog, const std::wstring& url,
                      const std::wstring& localPath, const DownloadLimits& limits);
std::wstring OpenRequest(HINTERNET session, const std::wstring& url, const DownloadLimits& limits,
                         HINTERNET& connection, HINTERNET& remote);
std::wstring CopyBody(HINTERNET remote, TransferWatchdog& watchdog, const std::wstring& localPath,
                      const DownloadLimits& limits);

}  // namespace

std::wstring DownloadFile(const std::wstring& url, const std::wstring& localPath, const DownloadLimits& limits) {
  HINTERNET session = ::InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!session) return ErrorText(::GetLastError());
  SetTimeouts(session, limits);
  std::wstring result;
  {
    TransferWatchdog watchdog(session, limits);
    result = Transfer(session, watchdog, url, localPath, limits);
    if (!watchdog.Stop()) {
      // The watchdog closed the handles mid-transfer.
      ::DeleteFileW(localPath.c_str());
      return ErrorText(ERROR_INTERNET_TIMEOUT);
    }
  }
  ::InternetCloseHandle(session);
  return result;
}

namespace {

std::wstring Transfer(HINTERNET session, TransferWatchdog& watchdog, const std::wstring& url,
                      const std::wstring& localPath, const DownloadLimits& limits) {
  HINTERNET connection = nullptr, remote = nullptr;
  const std::wstring opened = OpenRequest(session, url, limits, connection, remote);
  if (!remote) return opened;
  watchdog.Watch(remote);
  // The remote handle is closed here unless the watchdog has taken it; the
  // connection goes with the session.
  struct RemoteCloser {
    TransferWatchdog& dog;
    ~RemoteCloser() { dog.Release(); }
  } closer{watchdog};
  if (!::HttpSendRequestW(remote, nullptr, 0, nullptr, 0)) return ErrorText(::GetLastError());
  DWORD status = 0, statusSize = sizeof status;
  if (!::HttpQueryInfoW(remote, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &statusSize, nullptr))
    return ErrorText(::GetLastError());
  if (status != 200) return std::to_wstring(status);
  const std::wstring failure = CopyBody(remote, watchdog, localPath, limits);
  return failure.empty() ? std::to_wstring(status) : failure;
}

// Builds the request step by step rather than with InternetOpenUrl, so that
// its time-outs are in place before it connects and sends. On success
// `remote` is set and the text is empty.
std::wstring OpenRequest(HINTERNET session, const std::wstring& url, const DownloadLimits& limits,
                         HINTERNET& connection, HINTERNET& remote) {
  // Fresh bytes every time; certificate checks stay on; no dialogs.
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                      INTERNET_FLAG_TRANSFER_BINARY | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  wchar_t host[256] = {}, path[4096] = {};
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = 4096;
  parts.dwExtraInfoLength = 1;
  if (!::InternetCrackUrlW(url.c_str(), 0, 0, &parts)) return ErrorText(::GetLastError());
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
    return ErrorText(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
  std::wstring object(path, parts.dwUrlPathLength);
  if (parts.lpszExtraInfo) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (object.empty()) object = L"/";

  connection = ::InternetConnectW(session, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 1);
  if (!connection) return ErrorText(::GetLastError());
  SetTimeouts(connection, limits);
  const DWORD requestFlags = flags | (parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
  remote = ::HttpOpenRequestW(connection, L"GET", object.c_str(), nullptr, nullptr, nullptr, requestFlags, 1);
  if (!remote) return ErrorText(::GetLastError());
  SetTimeouts(remote, limits);
  return {};
}

// Copies the body into `localPath`, within the size limit; the failure text,
// or empty. A failed copy leaves no file.
std::wstring CopyBody(HINTERNET remote, TransferWatchdog& watchdog, const std::wstring& localPath,
                      const DownloadLimits& limits) {
  fw::UniqueFile file(::CreateFileW(localPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return ErrorText(::GetLastError());

  std::wstring failure;
  std::vector<char> buffer(64 * 1024);
  std::uint64_t total = 0;
  for (;;) {
    DWORD got = 0;
    if (!::InternetReadFile(remote, buffer.data(), static_cast<DWORD>(buffer.size()), &got)) {
      failure = ErrorText(::GetLastError());
      break;
    }
    if (got == 0) break;
    watchdog.Progress();
    total += got;
    if (total > limits.maxBytes) {
      failure = L"The file is larger than announced.";
      break;
    }
    DWORD written = 0;
    if (!::WriteFile(file.get(), buffer.data(), got, &written, nullptr) || written != got) {
      failure = ErrorText(::GetLastError());
      break;
    }
  }
  file.reset();
  if (!failure.empty()) ::DeleteFileW(localPath.c_str());
  return failure;
}

}  // namespace
