#include "keylock/keyboard_lock.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <utility>

#include "core/accessibility_rules.h"
#include "core/key_filter.h"
#include "contracts/module_contract.h"

namespace bimbly::keylock {

HHOOK SystemLockPlatform::SetHook(int hookId, HOOKPROC procedure, HINSTANCE module, DWORD threadId) {
  return ::SetWindowsHookExW(hookId, procedure, module, threadId);
}
bool SystemLockPlatform::Unhook(HHOOK hook) { return ::UnhookWindowsHookEx(hook) != FALSE; }
LRESULT SystemLockPlatform::CallNextHook(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
  return ::CallNextHookEx(hook, code, wParam, lParam);
}
void SystemLockPlatform::SystemParameters(UINT action, UINT size, void* data) {
  ::SystemParametersInfoW(action, size, data, 0);
}
bool SystemLockPlatform::ControlDown() { return (::GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0; }
bool SystemLockPlatform::AltDown() { return (::GetAsyncKeyState(VK_MENU) & 0x8000) != 0; }
DWORD SystemLockPlatform::LastInputTime() {
  LASTINPUTINFO info{sizeof(info), 0};
  return ::GetLastInputInfo(&info) ? info.dwTime : 0;
}
void SystemLockPlatform::Post(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
  ::PostMessageW(target, message, wParam, lParam);
}
void SystemLockPlatform::DebugOut(const wchar_t* text) { ::OutputDebugStringW(text); }

AccessibilitySettings ReadAccessibility(LockPlatform& platform) {
  AccessibilitySettings s;
  platform.SystemParameters(SPI_GETSTICKYKEYS, sizeof(s.sticky), &s.sticky);
  platform.SystemParameters(SPI_GETTOGGLEKEYS, sizeof(s.toggle), &s.toggle);
  platform.SystemParameters(SPI_GETFILTERKEYS, sizeof(s.filter), &s.filter);
  platform.SystemParameters(SPI_GETMOUSEKEYS, sizeof(s.mouse), &s.mouse);
  return s;
}

void WriteAccessibility(LockPlatform& platform, const AccessibilitySettings& settings) {
  // The system takes non-const pointers; write from a copy.
  AccessibilitySettings s = settings;
  platform.SystemParameters(SPI_SETSTICKYKEYS, sizeof(s.sticky), &s.sticky);
  platform.SystemParameters(SPI_SETTOGGLEKEYS, sizeof(s.toggle), &s.toggle);
  platform.SystemParameters(SPI_SETFILTERKEYS, sizeof(s.filter), &s.filter);
  platform.SystemParameters(SPI_SETMOUSEKEYS, sizeof(s.mouse), &s.mouse);
}

namespace {
template <typename Setting>
void WriteHotKeyOff(LockPlatform& platform, UINT action, Setting setting) {
  const ShortcutChange change = ShortcutOff(setting.dwFlags);
  if (!change.write) return;
  setting.dwFlags = change.flags;
  platform.SystemParameters(action, sizeof(setting), &setting);
}
}  // namespace

void SwitchHotKeysOff(LockPlatform& platform, const AccessibilitySettings& saved) {
  WriteHotKeyOff(platform, SPI_SETSTICKYKEYS, saved.sticky);
  WriteHotKeyOff(platform, SPI_SETTOGGLEKEYS, saved.toggle);
  WriteHotKeyOff(platform, SPI_SETFILTERKEYS, saved.filter);
  WriteHotKeyOff(platform, SPI_SETMOUSEKEYS, saved.mouse);
}

InstalledHook::InstalledHook(InstalledHook&& other) noexcept
    : platform_(other.platform_), hook_(std::exchange(other.hook_, nullptr)) {}

InstalledHook& InstalledHook::operator=(InstalledHook&& other) noexcept {
  if (this != &other) {
    Remove();
    platform_ = other.platform_;
    hook_ = std::exchange(other.hook_, nullptr);
  }
  return *this;
}

bool InstalledHook::Remove() noexcept {
  HHOOK hook = std::exchange(hook_, nullptr);
  return hook && platform_ && platform_->Unhook(hook);
}

KeyboardLock::~KeyboardLock() {
  if (watching_ || lowLevelHook_ || keyboardHook_) UnInitialize();
}

int KeyboardLock::Initialize(HWND target, HINSTANCE module) noexcept {
  if (watching_) {
    // Reading the settings again would save our own switched-off copy and
    // lose the user's for good.
    target_.store(target);
    return 1;
  }
  saved_ = ReadAccessibility(platform_);
  settingsSaved_ = true;
  SwitchHotKeysOff(platform_, saved_);
  target_.store(target);
  module_ = module;
  InstallHooks();
  if (locked()) {
    watching_ = true;
    return 1;
  }

  // The host frees the library without UnInitialize after a 0, so a single
  // hook must not outlive this call, and the user gets the settings back.
  keyboardHook_.Remove();
  lowLevelHook_.Remove();
  WriteAccessibility(platform_, saved_);
  target_.store(nullptr);
  return 0;
}

void KeyboardLock::InstallHooks() noexcept {
  keyboardHook_.Remove();
  lowLevelHook_.Remove();
  // Input from before the hooks were there is nothing they missed.
  lowLevelLastEvent_ = platform_.LastInputTime();
  {
    std::lock_guard<std::mutex> guard(passedLock_);
    passed_.Clear();
    missed_ = 0;
    catchUpChecks_ = 2;
  }
  lowLevelHook_ = InstalledHook(platform_, platform_.SetHook(WH_KEYBOARD_LL, procedures_.lowLevel, module_, 0));
  keyboardHook_ = InstalledHook(platform_, platform_.SetHook(WH_KEYBOARD, procedures_.keyboard, module_, 0));
}

bool KeyboardLock::WatchHooks() noexcept {
  if (!watching_) return false;
  std::uint32_t missed = 0;
  MissedKeystroke missedKeys[kMissedShown] = {};
  unsigned outOfTurn = 0;
  {
    std::lock_guard<std::mutex> guard(passedLock_);
    missed = std::exchange(missed_, 0);
    std::copy(std::begin(missedKeys_), std::end(missedKeys_), std::begin(missedKeys));
    if (catchUpChecks_ > 0) --catchUpChecks_;
    passed_.Age();
    outOfTurn = passed_.TakeOutOfTurn();
  }
  if (outOfTurn > 0) {
    wchar_t account[96];
    swprintf(account, 96, L"Hook watchdog: %u keystrokes taken out of turn\n", outOfTurn);
    platform_.DebugOut(account);
  }
  const DWORD lastInput = platform_.LastInputTime();
  // A hook the system refused last time is tried again.
  if (locked() && !LowLevelHookMissedKeys(lastInput, lowLevelLastEvent_, missed)) return false;
  wchar_t account[256];
  int length = swprintf(account, 200, L"Hook watchdog: reinstalling, %u keystrokes went past the low-level hook:", missed);
  for (unsigned i = 0; i < missed && i < kMissedShown && length > 0; ++i)
    length += swprintf(account + length, 256 - length, L" %02X/%08X", missedKeys[i].virtualKey, missedKeys[i].flags);
  if (length > 0 && length < 254) wcscpy(account + length, L"\n");
  platform_.DebugOut(account);
  InstallHooks();
  ++reinstalls_;
  // Key-ups that went past the dropped hook left the record behind.
  ReconcileModifiers(held_, 0, platform_.ControlDown(), platform_.AltDown());
  return true;
}

int KeyboardLock::UnInitialize() noexcept {
  watching_ = false;
  if (settingsSaved_) {
    WriteAccessibility(platform_, saved_);
    settingsSaved_ = false;
  }
  const bool keyboardRemoved = keyboardHook_.Remove();
  const bool lowLevelRemoved = lowLevelHook_.Remove();
  target_.store(nullptr);
  return keyboardRemoved && lowLevelRemoved ? 1 : 0;
}

LRESULT KeyboardLock::OnLowLevelHook(int code, WPARAM message, LPARAM event) noexcept {
  if (code == HC_ACTION && event != 0) {
    const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(event);
    const bool control = platform_.ControlDown();
    const bool alt = platform_.AltDown();
    if (TrackModifiers(held_, key->vkCode, (key->flags & LLKHF_UP) != 0))
      ReconcileModifiers(held_, key->vkCode, control, alt);
    lowLevelLastEvent_ = key->time;
    if (IsDiscardedLowLevelKey(key->vkCode, key->flags, control || held_.control, alt || held_.alt)) {
      platform_.DebugOut(L"Disable key\n");
      return 1;  // neither a window nor the keyboard hook sees it
    }
    std::lock_guard<std::mutex> guard(passedLock_);
    passed_.Passed(key->vkCode, (key->flags & LLKHF_UP) != 0);
  }
  return platform_.CallNextHook(lowLevelHook_.get(), code, message, event);
}

LRESULT KeyboardLock::OnKeyboardHook(int code, WPARAM virtualKey, LPARAM keystrokeFlags) noexcept {
  // Keystrokes taken out of a queue (not just looked at), for the watchdog of
  // the process that locked (no other has a target).
  if (code == HC_ACTION && target_.load()) {
    std::lock_guard<std::mutex> guard(passedLock_);
    if (passed_.Taken(static_cast<std::uint32_t>(virtualKey), (keystrokeFlags & kTransitionUp) != 0))
      catchUpChecks_ = 0;
    else if (catchUpChecks_ == 0 && missed_++ < kMissedShown)
      missedKeys_[missed_ - 1] = {static_cast<std::uint32_t>(virtualKey), static_cast<std::uint32_t>(keystrokeFlags)};
  }
  switch (ReportForKeystroke(code, static_cast<std::uint32_t>(keystrokeFlags))) {
    case KeyReport::kKeyDown:
      PostToTarget(WM_PLAY_KEYDOWN, virtualKey, keystrokeFlags);
      break;
    case KeyReport::kKeyUp:
      PostToTarget(WM_PLAY_KEYUP, virtualKey, keystrokeFlags);
      break;
    case KeyReport::kNothing:
      break;
  }
  return 1;  // swallowed: the focused window never sees it, nor does the next hook
}

void KeyboardLock::PostToTarget(UINT message, WPARAM virtualKey, LPARAM keystrokeFlags) noexcept {
  // Another process that the hook maps the library into has no game window;
  // posting there would leave a stray thread message in that program's queue.
  if (HWND target = target_.load()) platform_.Post(target, message, virtualKey, keystrokeFlags);
}

}  // namespace bimbly::keylock
