// The keyboard lock: while a game runs, a low-level hook throws away the system
// shortcuts, a keyboard hook on every thread swallows all other keys and posts
// them to the game window, and the accessibility hot keys are switched off.
// The hook procedures of the library are one-line trampolines into
// KeyboardLock::OnLowLevelHook/OnKeyboardHook, which tests call directly.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>

#include "core/key_filter.h"

namespace bimbly::keylock {

// The platform calls the lock makes, replaceable so that tests can drive the
// lock's life cycle without touching the desktop.
class LockPlatform {
 public:
  virtual HHOOK SetHook(int hookId, HOOKPROC procedure, HINSTANCE module, DWORD threadId) = 0;
  virtual bool Unhook(HHOOK hook) = 0;
  virtual LRESULT CallNextHook(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) = 0;
  // SystemParametersInfoW without update flags; its result is of no use to the lock.
  virtual void SystemParameters(UINT action, UINT size, void* data) = 0;
  virtual bool ControlDown() = 0;
  virtual bool AltDown() = 0;
  // The tick of the last input the system saw (GetLastInputInfo).
  virtual DWORD LastInputTime() = 0;
  virtual void Post(HWND target, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual void DebugOut(const wchar_t* text) = 0;

 protected:
  ~LockPlatform() = default;
};

class SystemLockPlatform final : public LockPlatform {
 public:
  HHOOK SetHook(int hookId, HOOKPROC procedure, HINSTANCE module, DWORD threadId) override;
  bool Unhook(HHOOK hook) override;
  LRESULT CallNextHook(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) override;
  void SystemParameters(UINT action, UINT size, void* data) override;
  bool ControlDown() override;
  bool AltDown() override;
  DWORD LastInputTime() override;
  void Post(HWND target, UINT message, WPARAM wParam, LPARAM lParam) override;
  void DebugOut(const wchar_t* text) override;
};

// The four accessibility settings whose hot keys the lock switches off, with
// their size fields preset.
struct AccessibilitySettings {
  STICKYKEYS sticky{sizeof(STICKYKEYS), 0};
  TOGGLEKEYS toggle{sizeof(TOGGLEKEYS), 0};
  FILTERKEYS filter{sizeof(FILTERKEYS), 0, 0, 0, 0, 0};
  MOUSEKEYS mouse{sizeof(MOUSEKEYS), 0, 0, 0, 0, 0, 0};
};
static_assert(sizeof(STICKYKEYS) == 8 && sizeof(TOGGLEKEYS) == 8, "sizes handed to the system");
static_assert(sizeof(FILTERKEYS) == 24 && sizeof(MOUSEKEYS) == 28, "sizes handed to the system");

AccessibilitySettings ReadAccessibility(LockPlatform& platform);
// Writes all four back, in the order sticky, toggle, filter, mouse.
void WriteAccessibility(LockPlatform& platform, const AccessibilitySettings& settings);
// Clears the hot key of every feature that is off; a feature that is on stays as it is.
void SwitchHotKeysOff(LockPlatform& platform, const AccessibilitySettings& saved);

// Owner of one installed hook; removes it through the platform.
class InstalledHook {
 public:
  InstalledHook() noexcept = default;
  InstalledHook(LockPlatform& platform, HHOOK hook) noexcept : platform_(&platform), hook_(hook) {}
  ~InstalledHook() { Remove(); }
  InstalledHook(const InstalledHook&) = delete;
  InstalledHook& operator=(const InstalledHook&) = delete;
  InstalledHook(InstalledHook&& other) noexcept;
  InstalledHook& operator=(InstalledHook&& other) noexcept;

  HHOOK get() const noexcept { return hook_; }
  explicit operator bool() const noexcept { return hook_ != nullptr; }
  // True when a hook was there and the system removed it.
  bool Remove() noexcept;

 private:
  LockPlatform* platform_ = nullptr;
  HHOOK hook_ = nullptr;
};

class KeyboardLock {
 public:
  struct HookProcedures {
    HOOKPROC lowLevel;
    HOOKPROC keyboard;
  };

  KeyboardLock(LockPlatform& platform, HookProcedures procedures) noexcept
      : platform_(platform), procedures_(procedures) {}
  // A library freed without UnInitialize still takes its hooks with it and
  // gives the user's settings back.
  ~KeyboardLock();
  KeyboardLock(const KeyboardLock&) = delete;
  KeyboardLock& operator=(const KeyboardLock&) = delete;

  // 1 when both hooks are in place. On 0 nothing is left behind: no hook, and
  // the accessibility settings are the user's again. Called again while
  // locked, it only retargets, so the saved settings stay the user's own.
  int Initialize(HWND target, HINSTANCE module) noexcept;
  // Restores the settings saved by the last Initialize (if any) and removes
  // the hooks; 1 when both hooks were removed.
  int UnInitialize() noexcept;

  LRESULT OnLowLevelHook(int code, WPARAM message, LPARAM event) noexcept;
  LRESULT OnKeyboardHook(int code, WPARAM virtualKey, LPARAM keystrokeFlags) noexcept;

  // The hook watchdog, called at intervals (about a second) on the thread
  // that locked. The system silently drops a low-level hook that overran its
  // time-out; when keys went past it, both hooks are installed afresh and the
  // modifier record is brought in line with the real key state. True when it
  // reinstalled.
  bool WatchHooks() noexcept;
  int reinstalls() const noexcept { return reinstalls_; }

  bool locked() const noexcept { return lowLevelHook_ && keyboardHook_; }
  HWND target() const noexcept { return target_.load(); }

 private:
  void InstallHooks() noexcept;
  void PostToTarget(UINT message, WPARAM virtualKey, LPARAM keystrokeFlags) noexcept;

  LockPlatform& platform_;
  const HookProcedures procedures_;
  AccessibilitySettings saved_;
  bool settingsSaved_ = false;
  InstalledHook lowLevelHook_;
  InstalledHook keyboardHook_;
  HINSTANCE module_ = nullptr;
  bool watching_ = false;  // locked by Initialize, until UnInitialize
  int reinstalls_ = 0;
  // Written by the low-level hook and read by the watchdog, both on the
  // thread that installed the hooks.
  HeldModifiers held_;
  DWORD lowLevelLastEvent_ = 0;  // event time of the last one seen
  // Keystrokes passed on by the low-level hook and not yet taken by the
  // keyboard hook, which may run on another thread of this process (the one
  // with the focus); and those it took that were never passed on. After the
  // hooks are installed, the focused thread first takes what was queued
  // before: that is not counted until it takes a keystroke the new hook
  // passed on, or two checks have passed.
  std::mutex passedLock_;
  PassedKeys passed_;
  std::uint32_t missed_ = 0;
  // The first few keystrokes missed since the last check, for the account.
  static constexpr unsigned kMissedShown = 4;
  struct MissedKeystroke {
    std::uint32_t virtualKey;
    std::uint32_t flags;
  };
  MissedKeystroke missedKeys_[kMissedShown] = {};
  int catchUpChecks_ = 0;
  // Read by the keyboard hook on whichever thread of this process has the focus.
  std::atomic<HWND> target_{nullptr};
};

}  // namespace bimbly::keylock
