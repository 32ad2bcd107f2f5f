// The lock's life cycle and its hook handlers, driven through a recording
// platform: what is saved, switched off and restored, which hooks are left
// behind on every path, and what each hook call posts and returns.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <utility>
#include <vector>

#include "keylock/keyboard_lock.h"
#include "contracts/module_contract.h"

namespace {

using bimbly::keylock::AccessibilitySettings;
using bimbly::keylock::KeyboardLock;
using bimbly::keylock::LockPlatform;

LRESULT CALLBACK LowLevelProc(int, WPARAM, LPARAM) { return 0; }
LRESULT CALLBACK KeyboardProc(int, WPARAM, LPARAM) { return 0; }

constexpr LRESULT kNextHookResult = 77;
const HWND kGameWindow = reinterpret_cast<HWND>(0x1234);
const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(0x10000);

struct Posted {
  HWND target;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Plays the system: keeps "current" accessibility settings and live hooks.
class RecordingPlatform final : public LockPlatform {
 public:
  AccessibilitySettings system;
  std::vector<UINT> spiActions;  // every SystemParameters call, in order
  std::vector<HHOOK> liveHooks;
  std::vector<int> installedIds;
  std::vector<int> liveIds;  // beside liveHooks
  int hooksMade = 0;
  bool refuseLowLevel = false;
  bool refuseKeyboard = false;
  bool refuseUnhook = false;
  bool control = false;
  bool alt = false;
  int nextHookCalls = 0;
  int debugLines = 0;
  std::vector<Posted> posts;
  std::vector<HHOOK> droppedHooks;  // removed by the system behind the lock's back
  DWORD lastInput = 0;

  // The system drops the low-level hook, as after a procedure that overran its time-out.
  void DropLowLevelHook() {
    for (size_t i = 0; i < liveHooks.size(); ++i) {
      if (liveIds[i] == WH_KEYBOARD_LL) {
        droppedHooks.push_back(liveHooks[i]);
        liveHooks.erase(liveHooks.begin() + static_cast<std::ptrdiff_t>(i));
        liveIds.erase(liveIds.begin() + static_cast<std::ptrdiff_t>(i));
        return;
      }
    }
  }

  HHOOK SetHook(int hookId, HOOKPROC procedure, HINSTANCE module, DWORD threadId) override {
    EXPECT_EQ(module, kModule);
    EXPECT_EQ(threadId, 0u);  // every thread of the desktop
    EXPECT_EQ(procedure, hookId == WH_KEYBOARD_LL ? &LowLevelProc : &KeyboardProc);
    if ((hookId == WH_KEYBOARD_LL && refuseLowLevel) || (hookId == WH_KEYBOARD && refuseKeyboard)) return nullptr;
    installedIds.push_back(hookId);
    liveIds.push_back(hookId);
    HHOOK h = reinterpret_cast<HHOOK>(static_cast<INT_PTR>(0x100 + ++hooksMade));
    liveHooks.push_back(h);
    return h;
  }
  bool Unhook(HHOOK hook) override {
    if (refuseUnhook) return false;
    for (size_t i = 0; i < liveHooks.size(); ++i) {
      if (liveHooks[i] == hook) {
        liveHooks.erase(liveHooks.begin() + static_cast<std::ptrdiff_t>(i));
        liveIds.erase(liveIds.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
      }
    }
    for (HHOOK dropped : droppedHooks)
      if (dropped == hook) return false;
    ADD_FAILURE() << "unhooking a hook that is not installed";
    return false;
  }
  LRESULT CallNextHook(HHOOK, int, WPARAM, LPARAM) override {
    ++nextHookCalls;
    return kNextHookResult;
  }
  void SystemParameters(UINT action, UINT size, void* data) override {
    spiActions.push_back(action);
    switch (action) {
      case SPI_GETSTICKYKEYS: Copy(size, data, &system.sticky, true); break;
      case SPI_SETSTICKYKEYS: Copy(size, data, &system.sticky, false); break;
      case SPI_GETTOGGLEKEYS: Copy(size, data, &system.toggle, true); break;
      case SPI_SETTOGGLEKEYS: Copy(size, data, &system.toggle, false); break;
      case SPI_GETFILTERKEYS: Copy(size, data, &system.filter, true); break;
      case SPI_SETFILTERKEYS: Copy(size, data, &system.filter, false); break;
      case SPI_GETMOUSEKEYS: Copy(size, data, &system.mouse, true); break;
      case SPI_SETMOUSEKEYS: Copy(size, data, &system.mouse, false); break;
      default: ADD_FAILURE() << "unexpected action " << action;
    }
  }
  bool ControlDown() override { return control; }
  bool AltDown() override { return alt; }
  DWORD LastInputTime() override { return lastInput; }
  void Post(HWND target, UINT message, WPARAM wParam, LPARAM lParam) override {
    posts.push_back({target, message, wParam, lParam});
  }
  void DebugOut(const wchar_t* text) override {
    if (std::wcsncmp(text, L"Hook watchdog:", 14) == 0) return;  // its account of a reinstall
    EXPECT_STREQ(text, L"Disable key\n");
    ++debugLines;
  }

 private:
  template <typename Setting>
  static void Copy(UINT size, void* data, Setting* current, bool get) {
    ASSERT_EQ(size, sizeof(Setting));
    ASSERT_EQ(static_cast<Setting*>(data)->cbSize, sizeof(Setting));  // size field preset
    if (get) std::memcpy(data, current, size);
    else std::memcpy(current, data, size);
  }
};

bool SameSettings(const AccessibilitySettings& a, const AccessibilitySettings& b) {
  return std::memcmp(&a.sticky, &b.sticky, sizeof a.sticky) == 0 && std::memcmp(&a.toggle, &b.toggle, sizeof a.toggle) == 0 &&
         std::memcmp(&a.filter, &b.filter, sizeof a.filter) == 0 && std::memcmp(&a.mouse, &b.mouse, sizeof a.mouse) == 0;
}

// A user's settings: sticky and filter keys off with their hot keys armed,
// toggle keys switched on, mouse keys off with only the confirmation bit.
AccessibilitySettings UserSettings() {
  AccessibilitySettings s;
  s.sticky.dwFlags = 0x1FE;
  s.toggle.dwFlags = 0x1F | 0x1;
  s.filter.dwFlags = 0x7E;
  s.filter.iWaitMSec = 1000;
  s.filter.iBounceMSec = 30;
  s.mouse.dwFlags = 0x8 | 0x2;
  s.mouse.iMaxSpeed = 40;
  return s;
}

class KeyboardLockTest : public ::testing::Test {
 protected:
  KeyboardLockTest() { platform.system = UserSettings(); }

  RecordingPlatform platform;  // outlives the lock, whose destructor still uses it
  KeyboardLock lock{platform, {&LowLevelProc, &KeyboardProc}};
};

TEST_F(KeyboardLockTest, LockingSwitchesOffOnlyTheHotKeysOfFeaturesThatAreOffAndUnlockingRestoresAll) {
  ASSERT_EQ(lock.Initialize(kGameWindow, kModule), 1);
  EXPECT_TRUE(lock.locked());
  EXPECT_EQ(lock.target(), kGameWindow);
  EXPECT_EQ(platform.installedIds, (std::vector<int>{WH_KEYBOARD_LL, WH_KEYBOARD}));
  // Read in order, then written back only for the features that are off.
  EXPECT_EQ(platform.spiActions, (std::vector<UINT>{SPI_GETSTICKYKEYS, SPI_GETTOGGLEKEYS, SPI_GETFILTERKEYS,
                                                    SPI_GETMOUSEKEYS, SPI_SETSTICKYKEYS, SPI_SETFILTERKEYS,
                                                    SPI_SETMOUSEKEYS}));
  const AccessibilitySettings user = UserSettings();
  EXPECT_EQ(platform.system.sticky.dwFlags, 0x1F2u);
  EXPECT_EQ(platform.system.toggle.dwFlags, user.toggle.dwFlags);  // on: keeps its hot key
  EXPECT_EQ(platform.system.filter.dwFlags, 0x72u);
  EXPECT_EQ(platform.system.filter.iWaitMSec, 1000u);  // the rest of the structure is untouched
  EXPECT_EQ(platform.system.mouse.dwFlags, 0x2u);
  EXPECT_EQ(platform.system.mouse.iMaxSpeed, 40u);

  platform.spiActions.clear();
  EXPECT_EQ(lock.UnInitialize(), 1);
  EXPECT_EQ(platform.spiActions,
            (std::vector<UINT>{SPI_SETSTICKYKEYS, SPI_SETTOGGLEKEYS, SPI_SETFILTERKEYS, SPI_SETMOUSEKEYS}));
  EXPECT_TRUE(SameSettings(platform.system, user));
  EXPECT_TRUE(platform.liveHooks.empty());
  EXPECT_FALSE(lock.locked());
  EXPECT_EQ(lock.target(), nullptr);
}

TEST_F(KeyboardLockTest, WhenEitherHookIsRefusedNothingIsLeftBehind) {
  for (int refused = 0; refused < 3; ++refused) {
    SCOPED_TRACE(refused);
    platform.refuseLowLevel = refused != 1;
    platform.refuseKeyboard = refused != 0;
    EXPECT_EQ(lock.Initialize(kGameWindow, kModule), 0);
    EXPECT_TRUE(platform.liveHooks.empty());  // the host frees the library now
    EXPECT_TRUE(SameSettings(platform.system, UserSettings()));
    EXPECT_FALSE(lock.locked());
    EXPECT_EQ(lock.target(), nullptr);

    // Unlocking after the failure still writes the saved settings, and only once.
    platform.spiActions.clear();
    EXPECT_EQ(lock.UnInitialize(), 0);
    EXPECT_EQ(platform.spiActions.size(), 4u);
    EXPECT_TRUE(SameSettings(platform.system, UserSettings()));
    platform.spiActions.clear();
    EXPECT_EQ(lock.UnInitialize(), 0);
    EXPECT_TRUE(platform.spiActions.empty());
  }
  // The lock still works once the system lets both hooks in.
  platform.refuseLowLevel = platform.refuseKeyboard = false;
  EXPECT_EQ(lock.Initialize(kGameWindow, kModule), 1);
  EXPECT_EQ(platform.liveHooks.size(), 2u);
}

TEST_F(KeyboardLockTest, LockingTwiceKeepsTheUsersSettingsAndOnePairOfHooks) {
  ASSERT_EQ(lock.Initialize(kGameWindow, kModule), 1);
  const HWND second = reinterpret_cast<HWND>(0x5678);
  platform.spiActions.clear();
  EXPECT_EQ(lock.Initialize(second, kModule), 1);
  EXPECT_TRUE(platform.spiActions.empty());  // did not save its own switched-off copy
  EXPECT_EQ(platform.liveHooks.size(), 2u);
  EXPECT_EQ(lock.target(), second);

  EXPECT_EQ(lock.UnInitialize(), 1);
  EXPECT_TRUE(SameSettings(platform.system, UserSettings()));
  EXPECT_TRUE(platform.liveHooks.empty());
}

TEST_F(KeyboardLockTest, UnlockingWithoutLockingTouchesNothing) {
  EXPECT_EQ(lock.UnInitialize(), 0);
  EXPECT_TRUE(platform.spiActions.empty());
  EXPECT_TRUE(SameSettings(platform.system, UserSettings()));

  // Nor does a second unlock after a good game.
  ASSERT_EQ(lock.Initialize(kGameWindow, kModule), 1);
  ASSERT_EQ(lock.UnInitialize(), 1);
  platform.system.sticky.dwFlags = 0x3;  // the user changes it after the game
  platform.spiActions.clear();
  EXPECT_EQ(lock.UnInitialize(), 0);
  EXPECT_TRUE(platform.spiActions.empty());
  EXPECT_EQ(platform.system.sticky.dwFlags, 0x3u);
}

TEST_F(KeyboardLockTest, EachGameSavesTheSettingsAsTheyAreThen) {
  ASSERT_EQ(lock.Initialize(kGameWindow, kModule), 1);
  ASSERT_EQ(lock.UnInitialize(), 1);
  platform.system.sticky.dwFlags = 0x3;  // switched on between games
  ASSERT_EQ(lock.Initialize(kGameWindow, kModule), 1);
  EXPECT_EQ(platform.system.sticky.dwFlags, 0x3u);
  ASSERT_EQ(lock.UnInitialize(), 1);
  EXPECT_EQ(platform.system.sticky.dwFlags, 0x3u);
}

TEST_F(KeyboardLockTest, UnlockingRestoresTheSettingsEvenWhenTheHooksStick) {
  ASSERT_EQ(lock.Initialize(kGameWindow, kModule), 1);
  platform.refuseUnhook = true;
  EXPECT_EQ(lock.UnInitialize(), 0);
  EXPECT_TRUE(SameSettings(platform.system, UserSettings()));
  platform.refuseUnhook = false;
  platform.liveHooks.clear();
}

TEST(KeyboardLockLifetime, AFreedLockTakesItsHooksAndGivesTheSettingsBack) {
  RecordingPlatform platform;
  platform.system = UserSettings();
  {
    KeyboardLock lock{platform, {&LowLevelProc, &KeyboardProc}};
    ASSERT_EQ(lock.Initialize(kGameWindow, kModule), 1);
  }
  EXPECT_TRUE(platform.liveHooks.empty());
  EXPECT_TRUE(SameSettings(platform.system, UserSettings()));
}

// ---- hook handlers ----

LRESULT LowLevel(KeyboardLock& lock, int code, WPARAM message, DWORD vk, DWORD flags, DWORD time = 0) {
  KBDLLHOOKSTRUCT key{};
  key.vkCode = vk;
  key.scanCode = 0x01;
  key.flags = flags;
  key.time = time;
  return lock.OnLowLevelHook(code, message, reinterpret_cast<LPARAM>(&key));
}

TEST_F(KeyboardLockTest, LowLevelHandlerDropsTheShortcutsDownAndUpAndPassesTheRestOn) {
  ASSERT_EQ(lock.Initialize(kGameWindow, kModule), 1);
  struct Case {
    DWORD vk;
    DWORD flags;
    bool control;  // asynchronous states
    bool alt;
    bool dropped;
  };
  // The full rule table is tested natively; here, that the handler feeds it
  // the event's flags and both key states.
  const Case cases[] = {
      {VK_ESCAPE, 0, true, false, true},             {VK_ESCAPE, 0, false, false, false},
      {VK_TAB, LLKHF_ALTDOWN, false, false, true},   {VK_TAB, LLKHF_INJECTED, false, true, true},
      {VK_TAB, 0, false, false, false},              {VK_LWIN, LLKHF_EXTENDED, false, false, true},
      {'A', LLKHF_ALTDOWN, true, true, false},
  };

  for (const Case& c : cases) {
    for (WPARAM message : {WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP}) {
      SCOPED_TRACE(testing::Message() << "vk " << c.vk << " flags " << c.flags << " control " << c.control
                                      << " alt " << c.alt << " message " << message);
      platform.control = c.control;
      platform.alt = c.alt;
      const int nextBefore = platform.nextHookCalls;
      const int debugBefore = platform.debugLines;
      const LRESULT result = LowLevel(lock, HC_ACTION, message, c.vk, c.flags);
      if (c.dropped) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(platform.nextHookCalls, nextBefore);
        EXPECT_EQ(platform.debugLines, debugBefore + 1);
      } else {
        EXPECT_EQ(result, kNextHookResult);
        EXPECT_EQ(platform.nextHookCalls, nextBefore + 1);
        EXPECT_EQ(platform.debugLines, debugBefore);
      }
    }
  }
  // Codes other than HC_ACTION are not looked at.
  EXPECT_EQ(LowLevel(lock, 3, WM_KEYDOWN, VK_LWIN, 0), kNextHookResult);
  EXPECT_EQ(LowLevel(lock, -1, WM_KEYDOWN, VK_LWIN, 0), kNextHookResult);
  EXPECT_TRUE(platform.posts.empty());
}

TEST_F(KeyboardLockTest, KeyboardHandlerPostsFirstDownAndUpWithTheFlagsAndSwallowsEverything) {
  ASSERT_EQ(lock.Initialize(kGameWindow, kModule), 1);
  const LPARAM down = 0x001E0001;                      // 'A': repeat 1, scan code 0x1E
  const LPARAM repeat = down | (LPARAM{1} << 30);      // held
  const LPARAM up = down | (LPARAM{3} << 30);          // released
  const LPARAM altDown = 0x20380001;                   // context bit set
  const LPARAM extendedUp = 0xC1480001;                // up arrow released
  struct Case {
    int code;
    WPARAM vk;
    LPARAM flags;
    UINT posted;  // 0: nothing
  };
  const Case cases[] = {
      {HC_ACTION, 'A', down, WM_PLAY_KEYDOWN}, {HC_ACTION, 'A', repeat, 0},
      {HC_ACTION, 'A', repeat, 0},             {HC_ACTION, 'A', up, WM_PLAY_KEYUP},
      {HC_NOREMOVE, 'B', down, WM_PLAY_KEYDOWN}, {HC_ACTION, VK_MENU, altDown, WM_PLAY_KEYDOWN},
      {HC_ACTION, VK_UP, extendedUp, WM_PLAY_KEYUP}, {-1, 'C', down, 0},
      {-1, 'C', up, 0},
  };
  std::vector<Posted> expected;
  for (const Case& c : cases) {
    EXPECT_EQ(lock.OnKeyboardHook(c.code, c.vk, c.flags), 1);
    if (c.posted) expected.push_back({kGameWindow, c.posted, c.vk, c.flags});
  }
  ASSERT_EQ(platform.posts.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(platform.posts[i].target, expected[i].target);
    EXPECT_EQ(platform.posts[i].message, expected[i].message);
    EXPECT_EQ(platform.posts[i].wParam, expected[i].wParam);
    EXPECT_EQ(platform.posts[i].lParam, expected[i].lParam);  // flags exactly as received
  }
  EXPECT_EQ(platform.nextHookCalls, 0);
}

TEST_F(KeyboardLockTest, KeyboardHandlerWithoutAGameWindowSwallowsAndPostsNothing) {
  // The state of any other process the hook maps the library into.
  EXPECT_EQ(lock.OnKeyboardHook(HC_ACTION, 'A', 0x001E0001), 1);
  EXPECT_EQ(lock.OnKeyboardHook(HC_ACTION, 'A', 0xC01E0001), 1);
  EXPECT_TRUE(platform.posts.empty());
}

}  // namespace

TEST_F(KeyboardLockTest, WatchdogReinstallsADroppedHookAndModifierRecordsFollowTheRealKeys) {
  ASSERT_EQ(lock.Initialize(kGameWindow, kModule), 1);
  constexpr LPARAM kDown = 0x00010001;
  constexpr LPARAM kUp = static_cast<LPARAM>(0xC0010001u);
  // Keys through both hooks, then mouse input alone: nothing was missed.
  platform.lastInput = 100;
  LowLevel(lock, HC_ACTION, WM_KEYDOWN, 'A', 0, 100);
  lock.OnKeyboardHook(HC_ACTION, 'A', kDown);
  lock.OnKeyboardHook(HC_NOREMOVE, 'A', kDown);  // only looked at
  EXPECT_FALSE(lock.WatchHooks());
  platform.lastInput = 300;
  EXPECT_FALSE(lock.WatchHooks());

  // Control goes down; the system drops the low-level hook; Control's key-up
  // and a letter go past it to the keyboard hook alone.
  platform.control = true;
  LowLevel(lock, HC_ACTION, WM_KEYDOWN, VK_LCONTROL, 0, 400);
  lock.OnKeyboardHook(HC_ACTION, VK_CONTROL, kDown);
  EXPECT_FALSE(lock.WatchHooks());
  platform.DropLowLevelHook();
  platform.control = false;
  platform.lastInput = 500;
  lock.OnKeyboardHook(HC_ACTION, VK_CONTROL, kUp);
  lock.OnKeyboardHook(HC_ACTION, 'B', kDown);
  EXPECT_TRUE(lock.WatchHooks());
  EXPECT_EQ(lock.reinstalls(), 1);
  EXPECT_EQ(platform.liveHooks.size(), 2u);
  EXPECT_EQ(std::count(platform.liveIds.begin(), platform.liveIds.end(), WH_KEYBOARD_LL), 1);
  // Swallowing again, and a plain Escape is Escape, not Control+Escape.
  EXPECT_EQ(LowLevel(lock, HC_ACTION, WM_KEYDOWN, VK_LWIN, LLKHF_EXTENDED, 600), 1);
  EXPECT_EQ(LowLevel(lock, HC_ACTION, WM_KEYDOWN, VK_ESCAPE, 0, 610), kNextHookResult);
  EXPECT_FALSE(lock.WatchHooks());

  // A key-up lost while the hook stayed: the next event of the other
  // modifier sets the record right; a Control that is really held stays.
  struct Case {
    bool controlReallyHeld;
    LRESULT escapeAfterAlt;
  };
  for (const Case c : {Case{false, kNextHookResult}, Case{true, 1}}) {
    SCOPED_TRACE(c.controlReallyHeld);
    platform.control = true;
    LowLevel(lock, HC_ACTION, WM_KEYDOWN, VK_RCONTROL, 0, 700);
    platform.control = c.controlReallyHeld;
    EXPECT_EQ(LowLevel(lock, HC_ACTION, WM_KEYDOWN, VK_ESCAPE, 0, 710), 1);
    LowLevel(lock, HC_ACTION, WM_SYSKEYDOWN, VK_LMENU, 0, 720);
    LowLevel(lock, HC_ACTION, WM_KEYUP, VK_LMENU, LLKHF_UP, 730);
    EXPECT_EQ(LowLevel(lock, HC_ACTION, WM_KEYDOWN, VK_ESCAPE, 0, 740), c.escapeAfterAlt);
    platform.control = false;
    LowLevel(lock, HC_ACTION, WM_KEYUP, VK_RCONTROL, LLKHF_UP, 750);
  }

  // A hook the system refuses at the reinstall is tried again at the next check.
  EXPECT_FALSE(lock.WatchHooks());
  platform.DropLowLevelHook();
  platform.refuseLowLevel = true;
  platform.lastInput = 900;
  lock.OnKeyboardHook(HC_ACTION, 'C', kDown);
  EXPECT_TRUE(lock.WatchHooks());
  EXPECT_FALSE(lock.locked());
  platform.refuseLowLevel = false;
  EXPECT_TRUE(lock.WatchHooks());
  EXPECT_TRUE(lock.locked());
  EXPECT_EQ(lock.reinstalls(), 3);
  lock.UnInitialize();
  EXPECT_FALSE(lock.WatchHooks());
  EXPECT_TRUE(platform.liveHooks.empty());
}

TEST_F(KeyboardLockTest, WatchdogLeavesALiveHookAloneWhenTheFocusedThreadTakesKeysLate) {
  ASSERT_EQ(lock.Initialize(kGameWindow, kModule), 1);
  constexpr LPARAM kDown = 0x00010001;
  // A loaded machine: the low-level hook passes keys on at once, the thread
  // with the focus takes each one up to two checks later, and the system
  // stamps its last input a little after the event (as Wine does).
  std::vector<int> late;  // per key: how many checks pass before it is taken
  unsigned state = 7;
  DWORD tick = 1000;
  for (int check = 0; check < 200; ++check) {
    const int keys = (check % 5 == 4) ? 0 : static_cast<int>((state = state * 1103515245u + 12345u) >> 28);
    for (int k = 0; k < keys; ++k) {
      tick += 7;
      LowLevel(lock, HC_ACTION, WM_KEYDOWN, 'A', 0, tick);
      late.push_back(static_cast<int>((state = state * 1103515245u + 12345u) >> 30) % 3);
    }
    platform.lastInput = tick + 3;
    std::vector<int> still;
    for (int wait : late) {
      if (wait == 0)
        lock.OnKeyboardHook(HC_ACTION, 'A', kDown);
      else
        still.push_back(wait - 1);
    }
    late = still;
    EXPECT_FALSE(lock.WatchHooks()) << "check " << check;
  }
  EXPECT_EQ(lock.reinstalls(), 0);
  // A real drop is still found at the next check.
  platform.DropLowLevelHook();
  platform.lastInput = tick + 50;
  lock.OnKeyboardHook(HC_ACTION, 'B', kDown);
  EXPECT_TRUE(lock.WatchHooks());
  EXPECT_EQ(lock.reinstalls(), 1);
}

TEST_F(KeyboardLockTest, WatchdogLeavesALiveHookAloneWhenAFocusChangeReordersKeystrokes) {
  ASSERT_EQ(lock.Initialize(kGameWindow, kModule), 1);
  auto flags = [](bool up) { return static_cast<LPARAM>(up ? 0xC0010001u : 0x00010001u); };
  auto pass = [&](WPARAM vk, bool up, DWORD time) {
    LowLevel(lock, HC_ACTION, up ? WM_KEYUP : WM_KEYDOWN, static_cast<DWORD>(vk), up ? LLKHF_UP : 0, time);
  };
  // X and 5 reach the queue of the thread that is losing the focus, K that of
  // the one gaining it, which takes K first; the old thread takes its keys
  // when it is free again.
  pass('X', false, 10), pass('X', true, 11), pass('5', false, 12), pass('5', true, 13);
  pass('K', false, 14), pass('K', true, 15);
  platform.lastInput = 16;
  lock.OnKeyboardHook(HC_ACTION, 'K', flags(false));
  lock.OnKeyboardHook(HC_ACTION, 'K', flags(true));
  EXPECT_FALSE(lock.WatchHooks());
  const std::pair<WPARAM, bool> late[] = {{'X', false}, {'X', true}, {'5', false}, {'5', true}};
  for (const auto& [vk, up] : late) lock.OnKeyboardHook(HC_ACTION, vk, flags(up));
  EXPECT_FALSE(lock.WatchHooks());
  EXPECT_EQ(lock.reinstalls(), 0);

  // A keystroke set aside that is never taken does not hide a drop for long:
  // Q is passed over, the hook is dropped, and Q, B go past it.
  pass('Q', false, 20), pass('R', false, 21);
  lock.OnKeyboardHook(HC_ACTION, 'R', flags(false));
  platform.DropLowLevelHook();
  platform.lastInput = 30;
  lock.OnKeyboardHook(HC_ACTION, 'Q', flags(false));  // the one set aside
  lock.OnKeyboardHook(HC_ACTION, 'B', flags(false));
  EXPECT_TRUE(lock.WatchHooks());
  EXPECT_EQ(lock.reinstalls(), 1);
}
