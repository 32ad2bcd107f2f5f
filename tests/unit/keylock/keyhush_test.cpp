// KeyHush.dll with real hooks: a game-like window on its own thread locks the
// keyboard, and keys typed with SendInput must arrive as the lock promises.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "framework/handles.h"
#include "framework/window_thread.h"
#include "contracts/keylock_exports.h"
#include "contracts/module_contract.h"

namespace {

constexpr wchar_t kWindowClass[] = L"keylock.TestGame";
constexpr UINT kCallInitialize = WM_APP + 1;    // lParam: InitializeKbdFn
constexpr UINT kCallUnInitialize = WM_APP + 2;  // lParam: UnInitializeKbdFn
constexpr WORD kSentinel = 'Z';
constexpr DWORD kWaitMs = 5000;

std::wstring KeyHushPath() {
  wchar_t exe[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe);
  dir.resize(dir.find_last_of(L"\\/") + 1);
  return dir + L"..\\out\\KeyHush.dll";  // tests-bin sits beside the program folder
}

struct KeyEvent {
  UINT message;
  WPARAM vk;
  LPARAM flags;
};

bool IsKeyMessage(UINT m) {
  return m == WM_PLAY_KEYDOWN || m == WM_PLAY_KEYUP || m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN ||
         m == WM_SYSKEYUP;
}

// A top-level window on its own thread, like the game window: it calls the
// exports on its thread (the low-level hook runs there) and records every key
// message it gets.
class GameWindow {
 public:
  bool Start() {
    return thread_.Start(
        [this] {
          WNDCLASSW wc{};
          wc.lpfnWndProc = &GameWindow::Proc;
          wc.hInstance = ::GetModuleHandleW(nullptr);
          wc.lpszClassName = kWindowClass;
          ::RegisterClassW(&wc);  // fails harmlessly when a previous test registered it
          window_.reset(::CreateWindowExW(0, kWindowClass, L"game", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300,
                                          nullptr, nullptr, wc.hInstance, this));
          if (!window_) return false;
          ::SetForegroundWindow(window_.get());
          ::SetFocus(window_.get());
          return true;
        },
        [this] { window_.reset(); }, kWaitMs);
  }
  bool Stop() { return thread_.Stop(kWaitMs); }
  HWND hwnd() const { return window_.get(); }

  int Initialize(InitializeKbdFn fn) { return Call(kCallInitialize, reinterpret_cast<LPARAM>(fn)); }
  int UnInitialize(UnInitializeKbdFn fn) { return Call(kCallUnInitialize, reinterpret_cast<LPARAM>(fn)); }

  // Sends the sentinel key and returns what arrived before it, once its
  // release has arrived too: input is delivered in order.
  std::vector<KeyEvent> EventsUntilSentinel() {
    SendKey(kSentinel, false);
    SendKey(kSentinel, true);
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < kWaitMs) {
      {
        std::lock_guard<std::mutex> guard(mutex_);
        for (size_t i = 0; i < events_.size(); ++i) {
          const KeyEvent& e = events_[i];
          if (e.vk == kSentinel && (e.message == WM_PLAY_KEYUP || e.message == WM_KEYUP)) {
            std::vector<KeyEvent> before;
            for (const KeyEvent& b : events_) {
              if (b.vk == kSentinel) break;
              before.push_back(b);
            }
            events_.clear();
            return before;
          }
        }
      }
      ::Sleep(10);
    }
    ADD_FAILURE() << "the sentinel key never arrived";
    return {};
  }

  std::vector<KeyEvent> TakeEvents() {
    std::lock_guard<std::mutex> guard(mutex_);
    return std::exchange(events_, {});
  }

  // One key event through the system's input queue, as a keyboard would give it.
  static void SendKey(WORD vk, bool up, bool extended = false) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    ASSERT_EQ(::SendInput(1, &in, sizeof(in)), 1u);
  }

 private:
  int Call(UINT message, LPARAM fn) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(hwnd(), message, 0, fn, SMTO_BLOCK, kWaitMs, &result)) {
      ADD_FAILURE() << "the window thread did not answer";
      return -1;
    }
    return static_cast<int>(result);
  }

  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<GameWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && IsKeyMessage(message)) {
      std::lock_guard<std::mutex> guard(self->mutex_);
      self->events_.push_back({message, wParam, lParam});
      return 0;
    }
    if (message == kCallInitialize) return reinterpret_cast<InitializeKbdFn>(lParam)(hwnd);
    if (message == kCallUnInitialize) return reinterpret_cast<UnInitializeKbdFn>(lParam)();
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }

  fw::CWindowThread thread_;
  fw::UniqueWindow window_;
  std::mutex mutex_;
  std::vector<KeyEvent> events_;
};

void Press(WORD vk, bool extended = false) {
  GameWindow::SendKey(vk, false, extended);
  GameWindow::SendKey(vk, true, extended);
}

struct Accessibility {
  STICKYKEYS sticky{sizeof(STICKYKEYS), 0};
  TOGGLEKEYS toggle{sizeof(TOGGLEKEYS), 0};
  FILTERKEYS filter{sizeof(FILTERKEYS), 0, 0, 0, 0, 0};
  MOUSEKEYS mouse{sizeof(MOUSEKEYS), 0, 0, 0, 0, 0, 0};
};

Accessibility ReadAccessibility() {
  Accessibility a;
  ::SystemParametersInfoW(SPI_GETSTICKYKEYS, sizeof(a.sticky), &a.sticky, 0);
  ::SystemParametersInfoW(SPI_GETTOGGLEKEYS, sizeof(a.toggle), &a.toggle, 0);
  ::SystemParametersInfoW(SPI_GETFILTERKEYS, sizeof(a.filter), &a.filter, 0);
  ::SystemParametersInfoW(SPI_GETMOUSEKEYS, sizeof(a.mouse), &a.mouse, 0);
  return a;
}

bool operator==(const Accessibility& a, const Accessibility& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string Describe(const std::vector<KeyEvent>& events) {
  std::string s;
  char line[64];
  for (const KeyEvent& e : events) {
    std::snprintf(line, sizeof line, "[msg %u vk 0x%02x flags 0x%08lx] ", e.message, static_cast<unsigned>(e.vk),
                  static_cast<unsigned long>(e.flags));
    s += line;
  }
  return s;
}

class KeyHushTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dll_.reset(::LoadLibraryW(KeyHushPath().c_str()));
    ASSERT_TRUE(dll_) << "KeyHush.dll not found beside the programs";
    initialize_ = Export<InitializeKbdFn>(kInitializeKbdExport);
    unInitialize_ = Export<UnInitializeKbdFn>(kUnInitializeKbdExport);
    ASSERT_TRUE(initialize_ && unInitialize_);
    ASSERT_TRUE(game_.Start());
  }
  void TearDown() override {
    EXPECT_TRUE(game_.Stop());
    dll_.reset();
  }

  template <typename Fn>
  Fn Export(const char* name) const {
    // Through the generic function type: the export's real type is Fn.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(dll_.get(), name)));
  }

  // True when a key reaches the window the ordinary way, that is no hook is left.
  bool KeysReachTheWindow() {
    Press('B');
    const std::vector<KeyEvent> events = game_.EventsUntilSentinel();
    return events.size() == 2 && events[0].message == WM_KEYDOWN && events[0].vk == 'B' &&
           events[1].message == WM_KEYUP && events[1].vk == 'B';
  }

  fw::UniqueModule dll_;
  InitializeKbdFn initialize_ = nullptr;
  UnInitializeKbdFn unInitialize_ = nullptr;
  GameWindow game_;
};

TEST_F(KeyHushTest, LockedKeysArriveAsPlayMessagesAndAHeldKeyOnlyOnce) {
  const Accessibility before = ReadAccessibility();
  ASSERT_EQ(game_.Initialize(initialize_), 1);

  // 'A' held: the system repeats the key-down with the previous-state bit.
  for (int i = 0; i < 5; ++i) GameWindow::SendKey('A', false);
  GameWindow::SendKey('A', true);
  Press(VK_ESCAPE);
  Press(VK_UP, true);
  std::vector<KeyEvent> events = game_.EventsUntilSentinel();
  ASSERT_EQ(events.size(), 6u) << Describe(events);
  const LPARAM scanA = static_cast<LPARAM>(::MapVirtualKeyW('A', MAPVK_VK_TO_VSC)) << 16;
  EXPECT_EQ(events[0].message, WM_PLAY_KEYDOWN);
  EXPECT_EQ(events[0].vk, WPARAM{'A'});
  EXPECT_EQ(events[0].flags & 0xFFFFFFFF, scanA | 1);  // repeat count 1, not previously down
  EXPECT_EQ(events[1].message, WM_PLAY_KEYUP);
  EXPECT_EQ(events[1].vk, WPARAM{'A'});
  EXPECT_EQ(events[1].flags & 0xFFFFFFFF, scanA | 1 | 0xC0000000);
  EXPECT_EQ(events[2].message, WM_PLAY_KEYDOWN);
  EXPECT_EQ(events[2].vk, WPARAM{VK_ESCAPE});  // Escape alone is a game key
  EXPECT_EQ(events[3].message, WM_PLAY_KEYUP);
  EXPECT_EQ(events[4].vk, WPARAM{VK_UP});
  EXPECT_NE(events[4].flags & (1 << 24), 0) << "extended-key flag";
  EXPECT_EQ(events[5].message, WM_PLAY_KEYUP);

  EXPECT_EQ(game_.UnInitialize(unInitialize_), 1);
  EXPECT_TRUE(ReadAccessibility() == before);
  EXPECT_TRUE(KeysReachTheWindow());
}

TEST_F(KeyHushTest, SystemShortcutsLeaveOnlyTheirModifiers) {
  ASSERT_EQ(game_.Initialize(initialize_), 1);
  struct Shortcut {
    const char* name;
    WORD modifier;  // 0: none
    WORD key;
    bool extended;
  };
  const Shortcut shortcuts[] = {
      {"Alt+Tab", VK_MENU, VK_TAB, false},     {"Ctrl+Esc", VK_CONTROL, VK_ESCAPE, false},
      {"Alt+Esc", VK_MENU, VK_ESCAPE, false},  {"left Windows", 0, VK_LWIN, true},
      {"right Windows", 0, VK_RWIN, true},     {"F1", 0, VK_F1, false},
      {"F12", 0, VK_F12, false},
  };
  for (const Shortcut& s : shortcuts) {
    SCOPED_TRACE(s.name);
    if (s.modifier) GameWindow::SendKey(s.modifier, false);
    Press(s.key, s.extended);
    if (s.modifier) GameWindow::SendKey(s.modifier, true);
    const std::vector<KeyEvent> events = game_.EventsUntilSentinel();
    if (!s.modifier) {
      EXPECT_TRUE(events.empty()) << Describe(events);
      continue;
    }
    ASSERT_EQ(events.size(), 2u) << Describe(events);
    EXPECT_EQ(events[0].message, WM_PLAY_KEYDOWN);
    EXPECT_EQ(events[0].vk, WPARAM{s.modifier});
    EXPECT_EQ(events[1].message, WM_PLAY_KEYUP);
    EXPECT_EQ(events[1].vk, WPARAM{s.modifier});
  }
  // Keys beside them still come through.
  Press(VK_F2);
  const std::vector<KeyEvent> events = game_.EventsUntilSentinel();
  ASSERT_EQ(events.size(), 2u) << Describe(events);
  EXPECT_EQ(events[0].vk, WPARAM{VK_F2});
  EXPECT_EQ(game_.UnInitialize(unInitialize_), 1);
}

TEST_F(KeyHushTest, LockingTwiceNeedsOneUnlockAndUnlockingAloneIsHarmless) {
  const Accessibility before = ReadAccessibility();
  EXPECT_EQ(game_.UnInitialize(unInitialize_), 0);  // nothing to remove
  EXPECT_TRUE(ReadAccessibility() == before);
  EXPECT_TRUE(KeysReachTheWindow());

  ASSERT_EQ(game_.Initialize(initialize_), 1);
  ASSERT_EQ(game_.Initialize(initialize_), 1);
  Press('Q');
  const std::vector<KeyEvent> events = game_.EventsUntilSentinel();
  ASSERT_EQ(events.size(), 2u) << Describe(events);
  EXPECT_EQ(events[0].message, WM_PLAY_KEYDOWN);
  EXPECT_EQ(game_.UnInitialize(unInitialize_), 1);
  EXPECT_TRUE(ReadAccessibility() == before);
  EXPECT_TRUE(KeysReachTheWindow());  // no second pair of hooks left behind
  EXPECT_EQ(game_.UnInitialize(unInitialize_), 0);
}

TEST_F(KeyHushTest, KeysTypedIntoAWindowOfAnotherThreadStillReachTheGameWindow) {
  // The board runs on a thread of its own and usually has the focus.
  GameWindow board;
  ASSERT_TRUE(board.Start());
  ASSERT_EQ(game_.Initialize(initialize_), 1);
  Press('K');
  std::vector<KeyEvent> events = game_.EventsUntilSentinel();
  ASSERT_EQ(events.size(), 2u) << Describe(events);
  EXPECT_EQ(events[0].message, WM_PLAY_KEYDOWN);
  EXPECT_EQ(events[0].vk, WPARAM{'K'});
  EXPECT_EQ(events[1].message, WM_PLAY_KEYUP);
  EXPECT_TRUE(board.TakeEvents().empty());

  EXPECT_EQ(game_.UnInitialize(unInitialize_), 1);
  Press('K');
  events = board.EventsUntilSentinel();  // the board had the focus all along
  ASSERT_EQ(events.size(), 2u) << Describe(events);
  EXPECT_EQ(events[0].message, WM_KEYDOWN);
  EXPECT_EQ(events[0].vk, WPARAM{'K'});
  EXPECT_TRUE(game_.TakeEvents().empty());
  EXPECT_TRUE(board.Stop());
}

TEST_F(KeyHushTest, FreeingTheLibraryWhileLockedTakesTheHooksAlong) {
  const Accessibility before = ReadAccessibility();
  ASSERT_EQ(game_.Initialize(initialize_), 1);
  dll_.reset();  // a host that never unlocks
  EXPECT_TRUE(KeysReachTheWindow());
  EXPECT_TRUE(ReadAccessibility() == before);
}

}  // namespace
