#include "tests/e2e/driver.h"

#include <commctrl.h>
#include <shellapi.h>

#include <utility>

namespace e2e {
namespace {

std::wstring ExeFolder() {
  wchar_t buf[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
  std::wstring path(buf, n);
  return path.substr(0, path.find_last_of(L'\\'));
}

// Memory in another process, for common-control messages that carry pointers.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND owner, SIZE_T size) : size_(size) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(owner, &pid);
    process_ = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) remote_ = ::VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (remote_) ::VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
    if (process_) ::CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  bool ok() const { return remote_ != nullptr; }
  char* at(SIZE_T offset) const { return static_cast<char*>(remote_) + offset; }
  bool Write(SIZE_T offset, const void* data, SIZE_T n) const {
    return offset + n <= size_ && ::WriteProcessMemory(process_, at(offset), data, n, nullptr);
  }
  bool Read(SIZE_T offset, void* data, SIZE_T n) const {
    return offset + n <= size_ && ::ReadProcessMemory(process_, at(offset), data, n, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* remote_ = nullptr;
  SIZE_T size_;
};

constexpr SIZE_T kTextChars = 512;

}  // namespace

std::wstring DeliverablesFolder() {
  const std::wstring here = ExeFolder();
  return here.substr(0, here.find_last_of(L'\\')) + L"\\out";
}

ProgramFolder::ProgramFolder() : TestFolder(L"bimbly-e2e-") {
  const std::wstring source = DeliverablesFolder();
  WIN32_FIND_DATAW fd;
  HANDLE find = ::FindFirstFileW((source + L"\\*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    ::CopyFileW((source + L"\\" + fd.cFileName).c_str(), File(fd.cFileName).c_str(), FALSE);
  } while (::FindNextFileW(find, &fd));
  ::FindClose(find);
}

Process::~Process() {
  Kill();
  if (process_) ::CloseHandle(process_);
}

Process::Process(Process&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)), id_(std::exchange(other.id_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Kill();
    if (process_) ::CloseHandle(process_);
    process_ = std::exchange(other.process_, nullptr);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

Process Process::Start(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir) {
  Process p;
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!args.empty()) commandLine += L" " + args;
  std::wstring dir = workDir.empty() ? exe.substr(0, exe.find_last_of(L'\\')) : workDir;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                       &pi)) {
    ::CloseHandle(pi.hThread);
    p.process_ = pi.hProcess;
    p.id_ = pi.dwProcessId;
    ::WaitForInputIdle(pi.hProcess, 10000);
  }
  return p;
}

bool Process::WaitForExit(DWORD timeoutMs) const {
  return process_ && ::WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

bool Process::running() const { return process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

DWORD Process::exitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) ::GetExitCodeProcess(process_, &code);
  return code;
}

void Process::Kill() {
  if (running()) {
    ::TerminateProcess(process_, 99);
    ::WaitForSingleObject(process_, 5000);
  }
}

void PauseForLooking() {
  wchar_t pause[16] = {};
  if (::GetEnvironmentVariableW(L"BIMBLY_E2E_PAUSE_MS", pause, 16)) ::Sleep(static_cast<DWORD>(_wtoi(pause)));
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount64() >= end) return false;
    ::Sleep(50);
  }
}

std::vector<HWND> TopLevelWindows(DWORD processId, bool visibleOnly) {
  struct Search {
    DWORD pid;
    bool visibleOnly;
    std::vector<HWND> found;
  } search{processId, visibleOnly, {}};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        if (pid == s->pid && (!s->visibleOnly || ::IsWindowVisible(hwnd))) s->found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForTopLevelWindow(DWORD processId, const std::wstring& className, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND h : TopLevelWindows(processId)) {
          if (className.empty() || ClassName(h) == className) {
            found = h;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return found;
}

HWND FindDescendant(HWND parent, const std::wstring& className, int id) {
  struct Search {
    std::wstring cls;
    int id;
    HWND found;
  } search{className, id, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        if ((s->cls.empty() || _wcsicmp(ClassName(hwnd).c_str(), s->cls.c_str()) == 0) &&
            (s->id == -1 || ::GetDlgCtrlID(hwnd) == s->id)) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring WindowText(HWND hwnd) {
  wchar_t buf[2048];
  // WM_GETTEXT is marshalled across processes; a bounded wait keeps a hung
  // program from hanging the test.
  DWORD_PTR n = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, std::size(buf), reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG,
                             5000, &n))
    return std::wstring();
  return std::wstring(buf, n);
}

std::wstring ClassName(HWND hwnd) {
  wchar_t buf[256];
  const int n = ::GetClassNameW(hwnd, buf, static_cast<int>(std::size(buf)));
  return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

bool IsBoardBackdrop(HWND hwnd) { return ClassName(hwnd) == L"Bimbly.Backdrop"; }

HWND VisibleMenu() {
  for (HWND w = ::FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w;
       w = ::FindWindowExW(nullptr, w, L"#32768", nullptr))
    if (::IsWindowVisible(w)) return w;
  return nullptr;
}

RECT WindowRectOf(HWND hwnd) {
  RECT rc{};
  ::GetWindowRect(hwnd, &rc);
  return rc;
}

RECT ClientRectOnScreen(HWND hwnd) {
  RECT rc{};
  ::GetClientRect(hwnd, &rc);
  ::MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

COLORREF ScreenPixel(int x, int y) {
  HDC dc = ::GetDC(nullptr);
  const COLORREF c = ::GetPixel(dc, x, y);
  ::ReleaseDC(nullptr, dc);
  return c;
}

bool MutexExists(const wchar_t* name) {
  HANDLE h = ::OpenMutexW(SYNCHRONIZE, FALSE, name);
  if (!h) return false;
  ::CloseHandle(h);
  return true;
}

namespace {
void SendKey(WORD vk, bool up, bool extended) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  ::SendInput(1, &in, sizeof(in));
}

void SendMouse(DWORD flags) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  ::SendInput(1, &in, sizeof(in));
}
}  // namespace

void KeyDown(WORD vk, bool extended) { SendKey(vk, false, extended); }
void KeyUp(WORD vk, bool extended) { SendKey(vk, true, extended); }

void PressKey(WORD vk, bool extended) {
  KeyDown(vk, extended);
  ::Sleep(10);
  KeyUp(vk, extended);
  ::Sleep(10);
}

void TypeText(const std::wstring& text) {
  for (wchar_t ch : text) {
    const SHORT vk = ::VkKeyScanW(ch);
    if (vk == -1) continue;
    const bool shift = (vk >> 8) & 1;
    if (shift) KeyDown(VK_SHIFT);
    PressKey(static_cast<WORD>(vk & 0xFF));
    if (shift) KeyUp(VK_SHIFT);
  }
}

void ClickAt(int x, int y, bool doubleClick, bool right) {
  ::SetCursorPos(x, y);
  ::Sleep(30);
  const DWORD down = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
  const DWORD up = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
  for (int i = 0; i < (doubleClick ? 2 : 1); ++i) {
    SendMouse(down);
    ::Sleep(20);
    SendMouse(up);
    ::Sleep(20);
  }
}

void ClickWindowCentre(HWND hwnd, bool doubleClick) {
  const RECT rc = WindowRectOf(hwnd);
  ClickAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2, doubleClick);
}

void Focus(HWND hwnd) {
  HWND root = ::GetAncestor(hwnd, GA_ROOT);
  ::SetForegroundWindow(root);
  WaitUntil([&] { return ::GetForegroundWindow() == root; }, 2000);
}

std::vector<std::wstring> TreeItemTexts(HWND tree, bool expandedOnly) {
  std::vector<std::wstring> texts;
  RemoteBuffer buf(tree, sizeof(TVITEMW) + kTextChars * sizeof(wchar_t));
  if (!buf.ok()) return texts;
  // Depth-first walk in display order.
  HTREEITEM item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  std::vector<HTREEITEM> stack;
  while (item) {
    TVITEMW tv{};
    tv.mask = TVIF_TEXT | TVIF_HANDLE | TVIF_STATE;
    tv.hItem = item;
    tv.stateMask = TVIS_EXPANDED;
    tv.pszText = reinterpret_cast<LPWSTR>(buf.at(sizeof(TVITEMW)));
    tv.cchTextMax = kTextChars;
    buf.Write(0, &tv, sizeof(tv));
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(buf.at(0)));
    buf.Read(0, &tv, sizeof(tv));
    wchar_t text[kTextChars] = {};
    buf.Read(sizeof(TVITEMW), text, sizeof(text) - sizeof(wchar_t));
    texts.emplace_back(text);
    HTREEITEM child = reinterpret_cast<HTREEITEM>(
        ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
    if (child && (!expandedOnly || (tv.state & TVIS_EXPANDED))) {
      stack.push_back(item);
      item = child;
      continue;
    }
    for (;;) {
      HTREEITEM next = reinterpret_cast<HTREEITEM>(
          ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
      if (next) {
        item = next;
        break;
      }
      if (stack.empty()) {
        item = nullptr;
        break;
      }
      item = stack.back();
      stack.pop_back();
    }
  }
  return texts;
}

bool SelectTreeItemByText(HWND tree, const std::wstring& wanted) {
  RemoteBuffer buf(tree, sizeof(TVITEMW) + kTextChars * sizeof(wchar_t));
  if (!buf.ok()) return false;
  std::vector<HTREEITEM> pending;
  HTREEITEM root = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  for (HTREEITEM i = root; i;
       i = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(i))))
    pending.push_back(i);
  for (size_t k = 0; k < pending.size(); ++k) {
    HTREEITEM item = pending[k];
    TVITEMW tv{};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = reinterpret_cast<LPWSTR>(buf.at(sizeof(TVITEMW)));
    tv.cchTextMax = kTextChars;
    buf.Write(0, &tv, sizeof(tv));
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(buf.at(0)));
    wchar_t text[kTextChars] = {};
    buf.Read(sizeof(TVITEMW), text, sizeof(text) - sizeof(wchar_t));
    if (wanted == text) {
      return ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != FALSE;
    }
    for (HTREEITEM c = reinterpret_cast<HTREEITEM>(
             ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
         c; c = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(c))))
      pending.push_back(c);
  }
  return false;
}

std::vector<std::wstring> ListItemTexts(HWND list) {
  std::vector<std::wstring> texts;
  RemoteBuffer buf(list, sizeof(LVITEMW) + kTextChars * sizeof(wchar_t));
  if (!buf.ok()) return texts;
  const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    LVITEMW lv{};
    lv.iSubItem = 0;
    lv.pszText = reinterpret_cast<LPWSTR>(buf.at(sizeof(LVITEMW)));
    lv.cchTextMax = kTextChars;
    buf.Write(0, &lv, sizeof(lv));
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf.at(0)));
    wchar_t text[kTextChars] = {};
    buf.Read(sizeof(LVITEMW), text, sizeof(text) - sizeof(wchar_t));
    texts.emplace_back(text);
  }
  return texts;
}

bool SelectListItem(HWND list, int index) {
  RemoteBuffer buf(list, sizeof(LVITEMW));
  if (!buf.ok()) return false;
  LVITEMW lv{};
  lv.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  lv.state = LVIS_SELECTED | LVIS_FOCUSED;
  buf.Write(0, &lv, sizeof(lv));
  return ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.at(0))) !=
         FALSE;
}

POINT ListItemCentreOnScreen(HWND list, int index) {
  RemoteBuffer buf(list, sizeof(RECT));
  POINT pt{-1, -1};
  if (!buf.ok()) return pt;
  RECT rc{};
  rc.left = LVIR_ICON;
  buf.Write(0, &rc, sizeof(rc));
  if (!::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.at(0))))
    return pt;
  buf.Read(0, &rc, sizeof(rc));
  pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  ::ClientToScreen(list, &pt);
  return pt;
}

}  // namespace e2e
