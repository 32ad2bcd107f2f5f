#include "framework/window.h"

#include <commctrl.h>

#include <mutex>
#include <string>
#include <vector>

namespace fw {
namespace {

// Property that links a window to its framework object. A property, not a
// global map: windows live on many threads.
constexpr wchar_t kObjectProp[] = L"fw.CWnd";
constexpr UINT_PTR kSubclassId = 0x66770001;

// The object whose CreateWindowEx is under way on each thread, in a Win32
// thread-local slot: a C++ thread_local would give every thread that makes a
// window its own record in the threads library linked into each module,
// which that library keeps for reuse and loses with the module when it is
// freed (with an event and a thread handle where the thread outlives it).
class CreatingSlot {
 public:
  CreatingSlot() noexcept : index_(::TlsAlloc()) {}
  ~CreatingSlot() {
    if (index_ != TLS_OUT_OF_INDEXES) ::TlsFree(index_);
  }
  CreatingSlot(const CreatingSlot&) = delete;
  CreatingSlot& operator=(const CreatingSlot&) = delete;
  // Without a slot the messages before WM_NCCREATE go to the default procedure.
  CWnd* Get() const noexcept {
    if (index_ == TLS_OUT_OF_INDEXES) return nullptr;
    const DWORD error = ::GetLastError();  // TlsGetValue clears it
    CWnd* creating = static_cast<CWnd*>(::TlsGetValue(index_));
    ::SetLastError(error);
    return creating;
  }
  void Set(CWnd* creating) const noexcept {
    if (index_ != TLS_OUT_OF_INDEXES) ::TlsSetValue(index_, creating);
  }

 private:
  DWORD index_;
};
CreatingSlot g_creating;

std::mutex g_classesLock;
std::vector<std::wstring> g_registeredClasses;

bool Matches(UINT want, UINT have) { return want == kAnyId || want == have; }

}  // namespace

const MessageMap CWnd::kMessageMap{nullptr, nullptr, 0};

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

void TrackContextMenu(HMENU menu, int x, int y, HWND owner) {
  // The owner's thread takes the foreground first: a menu of a thread that
  // does not have it holds no mouse capture, so a click on the menu goes to
  // whatever the system finds under the pointer, and a click beside it does
  // not close it.
  HWND before = ::GetForegroundWindow();
  DWORD process = 0;
  if (before) ::GetWindowThreadProcessId(before, &process);
  ::SetForegroundWindow(owner);
  ::TrackPopupMenu(menu, TPM_RIGHTBUTTON, x, y, 0, owner, nullptr);
  // With the foreground taken that way, the next menu only closes properly
  // once the owner has seen a message after this one.
  ::PostMessageW(owner, WM_NULL, 0, 0);
  // The foreground goes back to the window of ours that had it: the keys go
  // on reaching the thread that expects them first (a game's board takes
  // them from the game's window, which drops those that waited too long).
  if (before && before != owner && process == ::GetCurrentProcessId() && ::IsWindow(before))
    ::SetForegroundWindow(before);
}

const MessageEntry* FindMessageEntry(const MessageMap* map, UINT message, UINT id, UINT code) {
  for (; map; map = map->base) {
    for (std::size_t i = 0; i < map->count; ++i) {
      const MessageEntry& e = map->entries[i];
      if (e.message != message) continue;
      if (!Matches(e.id, id) || !Matches(e.code, code)) continue;
      return &e;
    }
  }
  return nullptr;
}

CWnd::~CWnd() {
  // The object owns its window: destroy it if the owner did not. This runs on
  // the window's thread in every use the suite makes.
  if (hwnd_ && ::IsWindow(hwnd_)) {
    HWND h = hwnd_;
    Detach();
    ::DestroyWindow(h);
  }
}

CWnd* CWnd::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  return static_cast<CWnd*>(::GetPropW(hwnd, kObjectProp));
}

bool CWnd::RegisterClass(const wchar_t* className, UINT classStyle, HBRUSH background, HICON icon,
                         HCURSOR cursor) {
  // Classes belong to the module that holds this code (a program or a play
  // module), so that a module's classes go away with it.
  HINSTANCE instance = ThisModule();
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(instance, className, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = classStyle;
  wc.lpfnWndProc = &CWnd::StaticWndProc;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hIconSm = icon;
  wc.hCursor = cursor ? cursor : ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = className;
  if (::RegisterClassExW(&wc) != 0) {
    std::lock_guard<std::mutex> lock(g_classesLock);
    g_registeredClasses.emplace_back(className);
    return true;
  }
  return ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void CWnd::UnregisterClasses() {
  std::lock_guard<std::mutex> lock(g_classesLock);
  for (const auto& name : g_registeredClasses) ::UnregisterClassW(name.c_str(), ThisModule());
  g_registeredClasses.clear();
}

bool CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                    int cx, int cy, HWND parent, HMENU menuOrId) {
  if (hwnd_) return false;
  HINSTANCE instance = ThisModule();
  CWnd* previous = g_creating.Get();
  g_creating.Set(this);
  HWND h = ::CreateWindowExW(exStyle, className, title, style, x, y, cx, cy, parent, menuOrId, instance, this);
  const DWORD error = ::GetLastError();
  g_creating.Set(previous);
  ::SetLastError(error);
  if (!h) {
    hwnd_ = nullptr;
    return false;
  }
  return true;
}

bool CWnd::SubclassControl(HWND hwnd) {
  if (hwnd_ || !hwnd) return false;
  if (!::SetWindowSubclass(hwnd, &CWnd::StaticSubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
    return false;
  subclassed_ = true;
  Attach(hwnd);
  return true;
}

void CWnd::DestroyWindow() {
  if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
}

void CWnd::Attach(HWND hwnd) {
  hwnd_ = hwnd;
  ::SetPropW(hwnd, kObjectProp, this);
}

void CWnd::Detach() {
  if (!hwnd_) return;
  ::RemovePropW(hwnd_, kObjectProp);
  if (subclassed_) {
    ::RemoveWindowSubclass(hwnd_, &CWnd::StaticSubclassProc, kSubclassId);
    subclassed_ = false;
  }
  hwnd_ = nullptr;
}

LRESULT CWnd::Default() { return DefaultProc(current_.message, current_.wParam, current_.lParam); }

LRESULT CWnd::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (subclassed_) return ::DefSubclassProc(hwnd_, message, wParam, lParam);
  return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

bool CWnd::DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  UINT id = kAnyId;
  UINT code = kAnyCode;
  if (message == WM_COMMAND || message == kReflectBase + WM_COMMAND) {
    id = LOWORD(wParam);
    code = HIWORD(wParam);
  } else if ((message == WM_NOTIFY || message == kReflectBase + WM_NOTIFY) && lParam) {
    const auto* nm = reinterpret_cast<const NMHDR*>(lParam);
    id = static_cast<UINT>(nm->idFrom);
    code = nm->code;
  }
  const MessageEntry* entry = FindMessageEntry(GetMessageMap(), message, id, code);
  if (!entry) return false;
  result = entry->thunk(*this, wParam, lParam);
  return true;
}

bool CWnd::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  HWND child = nullptr;
  if (message == WM_COMMAND && lParam) {
    child = reinterpret_cast<HWND>(lParam);
  } else if (message == WM_NOTIFY && lParam) {
    child = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
  } else if (message == WM_DRAWITEM && lParam) {
    child = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
  }
  if (!child || child == hwnd_) return false;
  CWnd* target = FromHandle(child);
  if (!target) return false;
  return target->DispatchToMap(kReflectBase + message, wParam, lParam, result);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (DispatchToMap(message, wParam, lParam, result)) return result;
  if (ReflectToChild(message, wParam, lParam, result)) return result;
  return DefaultProc(message, wParam, lParam);
}

bool CWnd::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = WindowProc(message, wParam, lParam);
  return true;
}

bool CWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result, bool defaultWhenUnhandled) {
  const CurrentMessage saved = current_;
  current_ = {message, wParam, lParam};
  bool handled = false;
  try {
    handled = RouteMessage(message, wParam, lParam, result);
  } catch (...) {
    // A handler must never unwind into the system.
    handled = false;
  }
  if (!handled && defaultWhenUnhandled) {
    result = DefaultProc(message, wParam, lParam);
    handled = true;
  }
  current_ = saved;
  if (message == WM_NCDESTROY) {
    Detach();
    OnFinalMessage();  // may delete the object: nothing touches it after this
  }
  return handled;
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* self = FromHandle(hwnd);
  if (!self) {
    // Messages before WM_NCCREATE (WM_GETMINMAXINFO) belong to the object
    // being created on this thread.
    if (message == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      self = static_cast<CWnd*>(cs->lpCreateParams);
    }
    if (!self) self = g_creating.Get();
    if (!self || self->hwnd_) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    self->Attach(hwnd);
  }
  LRESULT result = 0;
  self->Dispatch(message, wParam, lParam, result, true);
  return result;
}

LRESULT CALLBACK CWnd::StaticSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR refData) {
  auto* self = reinterpret_cast<CWnd*>(refData);
  if (!self || self->hwnd_ != hwnd) return ::DefSubclassProc(hwnd, message, wParam, lParam);
  LRESULT result = 0;
  self->Dispatch(message, wParam, lParam, result, true);
  return result;
}

}  // namespace fw
