// Window base with message tables.
//
// A window class declares a static table of entries, each a message (or a
// command id, or a notification code) and a typed handler, chained to the
// table of its direct base class:
//
//   class CMainFrame : public fw::CFrameWnd {
//     ...
//     FW_DECLARE_MESSAGE_MAP()
//   };
//
//   const fw::MessageEntry CMainFrame::kMessageEntries[] = {
//       fw::OnCreate<&CMainFrame::OnCreate>(),
//       fw::OnCommand<&CMainFrame::OnStart>(1000),
//   };
//   const fw::MessageMap CMainFrame::kMessageMap =
//       fw::MakeMessageMap(&fw::CFrameWnd::kMessageMap, kMessageEntries);
//
// The window procedure searches the window's table, then its base classes'
// tables, then runs the default procedure. Notifications that a parent does not
// handle are reflected to the control that sent them, when that control has a
// framework object attached. Nothing thrown by a handler crosses the window
// procedure.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>

namespace fw {

class CWnd;

using MessageThunk = LRESULT (*)(CWnd& wnd, WPARAM wParam, LPARAM lParam);

inline constexpr UINT kAnyId = 0xFFFFFFFFu;
inline constexpr UINT kAnyCode = 0xFFFFFFFFu;
// Reflected messages arrive at the control as kReflectBase + the original message.
inline constexpr UINT kReflectBase = 0x2000;

struct MessageEntry {
  UINT message;
  UINT id;    // control or command id (WM_COMMAND, WM_NOTIFY), kAnyId for every id
  UINT code;  // notification code (WM_COMMAND, WM_NOTIFY and their reflections)
  MessageThunk thunk;
};

struct MessageMap {
  const MessageMap* base;
  const MessageEntry* entries;
  std::size_t count;
};

namespace detail {
template <typename M>
struct MemberOf;
template <typename C, typename R, typename... A>
struct MemberOf<R (C::*)(A...)> {
  using Class = C;
};
template <auto F>
using ClassOf = typename MemberOf<decltype(F)>::Class;
}  // namespace detail

// LRESULT Handler(WPARAM, LPARAM) for any message.
template <auto F>
constexpr MessageEntry OnMessage(UINT message) {
  return {message, kAnyId, kAnyCode, [](CWnd& w, WPARAM wp, LPARAM lp) -> LRESULT {
            return (static_cast<detail::ClassOf<F>&>(w).*F)(wp, lp);
          }};
}

// int OnCreate(CREATESTRUCTW*): 0 to go on, -1 to fail creation.
template <auto F>
constexpr MessageEntry OnCreate() {
  return {WM_CREATE, kAnyId, kAnyCode, [](CWnd& w, WPARAM, LPARAM lp) -> LRESULT {
            return (static_cast<detail::ClassOf<F>&>(w).*F)(reinterpret_cast<CREATESTRUCTW*>(lp));
          }};
}

// void Handler() for messages whose parameters carry nothing (WM_PAINT, WM_DESTROY, WM_CLOSE).
template <auto F>
constexpr MessageEntry OnPlain(UINT message) {
  return {message, kAnyId, kAnyCode, [](CWnd& w, WPARAM, LPARAM) -> LRESULT {
            (static_cast<detail::ClassOf<F>&>(w).*F)();
            return 0;
          }};
}
template <auto F>
constexpr MessageEntry OnPaint() { return OnPlain<F>(WM_PAINT); }
template <auto F>
constexpr MessageEntry OnDestroy() { return OnPlain<F>(WM_DESTROY); }
template <auto F>
constexpr MessageEntry OnClose() { return OnPlain<F>(WM_CLOSE); }

// void OnSize(UINT type, int cx, int cy)
template <auto F>
constexpr MessageEntry OnSize() {
  return {WM_SIZE, kAnyId, kAnyCode, [](CWnd& w, WPARAM wp, LPARAM lp) -> LRESULT {
            (static_cast<detail::ClassOf<F>&>(w).*F)(static_cast<UINT>(wp), static_cast<short>(LOWORD(lp)),
                                                      static_cast<short>(HIWORD(lp)));
            return 0;
          }};
}

// void OnTimer(UINT_PTR id)
template <auto F>
constexpr MessageEntry OnTimer() {
  return {WM_TIMER, kAnyId, kAnyCode, [](CWnd& w, WPARAM wp, LPARAM) -> LRESULT {
            (static_cast<detail::ClassOf<F>&>(w).*F)(static_cast<UINT_PTR>(wp));
            return 0;
          }};
}

// void OnCommand() for a command id (menu item, button click, accelerator).
template <auto F>
constexpr MessageEntry OnCommand(UINT id, UINT code = kAnyCode) {
  return {WM_COMMAND, id, code, [](CWnd& w, WPARAM, LPARAM) -> LRESULT {
            (static_cast<detail::ClassOf<F>&>(w).*F)();
            return 0;
          }};
}

// LRESULT OnNotify(NMHDR*) for a notification from one child (or kAnyId).
template <auto F>
constexpr MessageEntry OnNotify(UINT id, UINT code) {
  return {WM_NOTIFY, id, code, [](CWnd& w, WPARAM, LPARAM lp) -> LRESULT {
            return (static_cast<detail::ClassOf<F>&>(w).*F)(reinterpret_cast<NMHDR*>(lp));
          }};
}

// LRESULT OnNotify(NMHDR*) for a notification that the control sent and its
// parent reflected back to it.
template <auto F>
constexpr MessageEntry OnNotifyReflect(UINT code) {
  return {kReflectBase + WM_NOTIFY, kAnyId, code, [](CWnd& w, WPARAM, LPARAM lp) -> LRESULT {
            return (static_cast<detail::ClassOf<F>&>(w).*F)(reinterpret_cast<NMHDR*>(lp));
          }};
}

// void OnDrawItem(DRAWITEMSTRUCT*) reflected to an owner-drawn control.
template <auto F>
constexpr MessageEntry OnDrawItemReflect() {
  return {kReflectBase + WM_DRAWITEM, kAnyId, kAnyCode, [](CWnd& w, WPARAM, LPARAM lp) -> LRESULT {
            (static_cast<detail::ClassOf<F>&>(w).*F)(reinterpret_cast<DRAWITEMSTRUCT*>(lp));
            return TRUE;
          }};
}

// Declares a class's table. Define it in the class's source file:
//   const fw::MessageEntry CMainFrame::kMessageEntries[] = {...};
//   const fw::MessageMap CMainFrame::kMessageMap =
//       fw::MakeMessageMap(&CFrameWnd::kMessageMap, kMessageEntries);
#define FW_DECLARE_MESSAGE_MAP()                 \
 protected:                                      \
  static const fw::MessageEntry kMessageEntries[]; \
  static const fw::MessageMap kMessageMap;       \
  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }

// The module (program or library) that this code is linked into: where its
// window classes are registered and its resources are found.
HINSTANCE ThisModule();

// Shows a context menu owned by `owner` (a window of the calling thread) at
// a screen point, and returns when it has closed. The owner's thread has the
// foreground meanwhile; afterwards it goes back to the window that had it.
void TrackContextMenu(HMENU menu, int x, int y, HWND owner);

// Finds the entry for a message in a table chain, or nullptr.
const MessageEntry* FindMessageEntry(const MessageMap* map, UINT message, UINT id, UINT code);

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // Any thread may read the handle; the window's thread sets it when the
  // window is attached and clears it after WM_NCDESTROY.
  HWND hwnd() const noexcept { return hwnd_.load(); }
  operator HWND() const noexcept { return hwnd_.load(); }

  // The framework object attached to a window, or nullptr.
  static CWnd* FromHandle(HWND hwnd);

  // Registers (once per process) a window class served by the framework.
  static bool RegisterClass(const wchar_t* className, UINT classStyle, HBRUSH background, HICON icon = nullptr,
                            HCURSOR cursor = nullptr);
  // Unregisters every class this module registered. A library that is unloaded
  // and loaded again must call this first, or the class would keep pointing
  // into the old image.
  static void UnregisterClasses();

  // Creates a window of a class registered through RegisterClass; the object
  // is attached at the window's first message (WM_GETMINMAXINFO may come
  // before WM_NCCREATE) and detached after WM_NCDESTROY.
  bool CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y, int cx,
                int cy, HWND parent, HMENU menuOrId);

  // Attaches the object to an existing window (a common control) by subclassing it.
  bool SubclassControl(HWND hwnd);

  void DestroyWindow();

  // The message that is being dispatched, run through the default procedure.
  LRESULT Default();

 protected:
  static const MessageMap kMessageMap;  // empty: the root of every chain
  virtual const MessageMap* GetMessageMap() const { return &kMessageMap; }
  // Table dispatch; returns true when a handler ran.
  bool DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Routes one message; false leaves it unhandled. Windows route through
  // WindowProc, dialogs through their dialog dispatch.
  virtual bool RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  virtual LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Called once the window is gone (after WM_NCDESTROY).
  virtual void OnFinalMessage() {}

  // Offers an unhandled WM_COMMAND / WM_NOTIFY / WM_DRAWITEM to the control
  // that sent it.
  bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  void Attach(HWND hwnd);
  void Detach();

  std::atomic<HWND> hwnd_{nullptr};
  bool subclassed_ = false;

 private:
  struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  CurrentMessage current_{};

  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK StaticSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR idSubclass, DWORD_PTR refData);
  // The one path of every message to a framework window or dialog: records
  // the current message, routes it, keeps exceptions from unwinding into the
  // system and detaches the object after WM_NCDESTROY. Returns whether the
  // message was handled; with defaultWhenUnhandled an unhandled message (or
  // one whose handler threw) runs through the default procedure instead.
  bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result, bool defaultWhenUnhandled);

  friend class CDialog;
};

// A table chained to its base class's table.
template <std::size_t N>
constexpr MessageMap MakeMessageMap(const MessageMap* base, const MessageEntry (&entries)[N]) {
  return MessageMap{base, entries, N};
}

}  // namespace fw
