#include "gamehost/system/restore_record.h"

#include <windows.h>

#include <cstdio>

#include "core/accessibility_rules.h"
#include "core/program_paths.h"
#include "framework/files.h"
#include "framework/text.h"
#include "gamehost/system/taskbar.h"

namespace gamehost {

namespace {

constexpr wchar_t kSection[] = L"Restore";

template <typename Setting>
void RestoreHotKeys(UINT get, UINT set, std::uint32_t saved) {
  Setting s{};
  s.cbSize = sizeof(s);
  if (!::SystemParametersInfoW(get, sizeof(s), &s, 0)) return;
  s.dwFlags = bimbly::keylock::HotKeysGivenBack(s.dwFlags, saved);
  ::SystemParametersInfoW(set, sizeof(s), &s, 0);
}

template <typename Setting>
std::uint32_t ReadFlags(UINT get) {
  Setting s{};
  s.cbSize = sizeof(s);
  ::SystemParametersInfoW(get, sizeof(s), &s, 0);
  return s.dwFlags;
}

class RealSystemState final : public SystemStateLayer {
 public:
  AccessibilityFlags ReadAccessibility() override {
    return {ReadFlags<STICKYKEYS>(SPI_GETSTICKYKEYS), ReadFlags<TOGGLEKEYS>(SPI_GETTOGGLEKEYS),
            ReadFlags<FILTERKEYS>(SPI_GETFILTERKEYS), ReadFlags<MOUSEKEYS>(SPI_GETMOUSEKEYS)};
  }
  void RestoreAccessibilityHotKeys(const AccessibilityFlags& f) override {
    RestoreHotKeys<STICKYKEYS>(SPI_GETSTICKYKEYS, SPI_SETSTICKYKEYS, f.sticky);
    RestoreHotKeys<TOGGLEKEYS>(SPI_GETTOGGLEKEYS, SPI_SETTOGGLEKEYS, f.toggle);
    RestoreHotKeys<FILTERKEYS>(SPI_GETFILTERKEYS, SPI_SETFILTERKEYS, f.filter);
    RestoreHotKeys<MOUSEKEYS>(SPI_GETMOUSEKEYS, SPI_SETMOUSEKEYS, f.mouse);
  }
  bool IsTaskbarAutoHide() override { return gamehost::IsTaskbarAutoHide(); }
  void SetTaskbarAutoHide(bool on) override { gamehost::SetTaskbarAutoHide(on); }
};

// -1 when the key is missing or not a plain decimal number.
long long ReadNumber(const std::wstring& path, const wchar_t* key) {
  const std::wstring text = fw::ReadIniString(path, kSection, key, L"", 31);
  if (text.empty()) return -1;
  long long value = 0;
  for (const wchar_t* p = text.c_str(); *p; ++p) {
    if (*p < L'0' || *p > L'9' || value > 0xFFFFFFFFll) return -1;
    value = value * 10 + (*p - L'0');
  }
  return value <= 0xFFFFFFFFll ? value : -1;
}

}  // namespace

SystemStateLayer& ThisComputer() {
  static RealSystemState state;
  return state;
}

std::wstring RestoreRecordPath() { return bimbly::DirectoryOfPath(fw::GetModulePath()) + L"restore.ini"; }

void RestoreRecord::NoteTaskbarAutoHideOn() {
  taskbar_ = true;
  Write();
}

void RestoreRecord::NoteAccessibilityHotKeysOff() {
  flags_ = system_.ReadAccessibility();
  accessibility_ = true;
  Write();
}

void RestoreRecord::Done() {
  if (taskbar_ || accessibility_) ::DeleteFileW(path_.c_str());
  taskbar_ = accessibility_ = false;
}

void RestoreRecord::Write() {
  char text[256];
  int n = std::snprintf(text, sizeof text, "[Restore]\r\nTaskbarAutoHide=%d\r\n", taskbar_ ? 1 : 0);
  if (accessibility_)
    n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n),
                       "StickyKeys=%lu\r\nToggleKeys=%lu\r\nFilterKeys=%lu\r\nMouseKeys=%lu\r\n",
                       static_cast<unsigned long>(flags_.sticky), static_cast<unsigned long>(flags_.toggle),
                       static_cast<unsigned long>(flags_.filter), static_cast<unsigned long>(flags_.mouse));
  // Written beside and renamed over, through to the disk: a process killed or
  // the power cut a moment later leaves the old record or the new one, never
  // none. A read-only program folder: the game runs, unrecorded.
  fw::WriteFileAtomically(path_, text, static_cast<std::size_t>(n));
}

bool RestoreAfterDeadGame(const std::wstring& path, SystemStateLayer& system) {
  if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  const long long flags[] = {ReadNumber(path, L"StickyKeys"), ReadNumber(path, L"ToggleKeys"),
                             ReadNumber(path, L"FilterKeys"), ReadNumber(path, L"MouseKeys")};
  if (flags[0] >= 0 && flags[1] >= 0 && flags[2] >= 0 && flags[3] >= 0) {
    system.RestoreAccessibilityHotKeys({static_cast<std::uint32_t>(flags[0]), static_cast<std::uint32_t>(flags[1]),
                                        static_cast<std::uint32_t>(flags[2]), static_cast<std::uint32_t>(flags[3])});
  }
  // The game switched auto-hide on; off again, unless someone already did.
  if (ReadNumber(path, L"TaskbarAutoHide") == 1 && system.IsTaskbarAutoHide()) system.SetTaskbarAutoHide(false);
  ::DeleteFileW(path.c_str());
  return true;
}

}  // namespace gamehost
