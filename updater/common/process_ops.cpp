#include "updater/common/process_ops.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include "core/wait_bounds.h"
#include "framework/handles.h"

namespace {

std::wstring MainModulePath(DWORD pid) {
  fw::UniqueFile snap(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, pid));
  if (!snap) return {};
  MODULEENTRY32W me{};
  me.dwSize = sizeof me;
  if (!::Module32FirstW(snap.get(), &me)) return {};
  return me.szExePath;
}

struct CloseSearch {
  DWORD pid;
  bool posted;
};

BOOL CALLBACK PostCloseToFirstTitled(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<CloseSearch*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(hwnd, &owner);
  if (owner != search->pid || ::GetWindowTextLengthW(hwnd) == 0) return TRUE;
  ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
  search->posted = true;
  return FALSE;
}

}  // namespace

DWORD FindProcessByPath(const std::wstring& exePath) {
  fw::UniqueFile snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return 0;
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  for (BOOL more = ::Process32FirstW(snap.get(), &pe); more; more = ::Process32NextW(snap.get(), &pe)) {
    if (pe.th32ProcessID == 0) continue;
    const std::wstring path = MainModulePath(pe.th32ProcessID);
    if (!path.empty() && ::lstrcmpiW(path.c_str(), exePath.c_str()) == 0) return pe.th32ProcessID;
  }
  return kNoProcess;
}

bool ProcessExists(DWORD pid) {
  fw::UniqueFile snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return false;
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  for (BOOL more = ::Process32FirstW(snap.get(), &pe); more; more = ::Process32NextW(snap.get(), &pe))
    if (pe.th32ProcessID == pid) return true;
  return false;
}

bool CloseProcessWindows(DWORD pid, int checks) {
  CloseSearch search{pid, false};
  ::EnumWindows(PostCloseToFirstTitled, reinterpret_cast<LPARAM>(&search));
  for (int i = 0; i < checks && ProcessExists(pid); ++i) ::Sleep(bimbly::kProcessPollMs);
  return !ProcessExists(pid);
}

bool WaitForProcessEnd(DWORD pid, int seconds) {
  for (int i = 0; i < seconds && ProcessExists(pid); ++i) ::Sleep(bimbly::kProcessPollMs);
  return !ProcessExists(pid);
}

bool TerminateProcessById(DWORD pid) {
  fw::UniqueKernelHandle process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid));
  if (!process) return false;
  const bool ok = ::TerminateProcess(process.get(), 0) != FALSE;
  // The files of a terminated program are free only once it has really gone.
  ::WaitForSingleObject(process.get(), bimbly::kTerminatedProgramMs);
  return ok;
}

bool EnableDebugPrivilege() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return false;
  fw::UniqueKernelHandle token(raw);
  TOKEN_PRIVILEGES tp{};
  tp.PrivilegeCount = 1;
  if (!::LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &tp.Privileges[0].Luid)) return false;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  return ::AdjustTokenPrivileges(token.get(), FALSE, &tp, sizeof tp, nullptr, nullptr) &&
         ::GetLastError() == ERROR_SUCCESS;
}

bool OpenProgram(const std::wstring& path, const wchar_t* parameters) {
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", path.c_str(), parameters, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

bool IsBackgroundCommandLine() {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  const bool background = argv && argc == 2 && ::lstrcmpW(argv[1], L"background") == 0;
  if (argv) ::LocalFree(argv);
  return background;
}
