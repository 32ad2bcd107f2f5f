// What a game changes in the system and must give back, kept in a small file
// beside the programs for as long as the change lasts. A launcher that dies
// during a game (killed, crashed) cannot restore anything; the next launcher
// start finds the file and does it.
#pragma once

#include <cstdint>
#include <string>

namespace gamehost {

// The flags of the four accessibility features whose hot keys a game
// switches off (sticky, toggle, filter and mouse keys).
struct AccessibilityFlags {
  std::uint32_t sticky = 0, toggle = 0, filter = 0, mouse = 0;
};

// The system state a game changes, replaceable for tests.
class SystemStateLayer {
 public:
  virtual AccessibilityFlags ReadAccessibility() = 0;
  // Puts the hot-key bits of the given flags back; the rest of each feature
  // stays as it is now.
  virtual void RestoreAccessibilityHotKeys(const AccessibilityFlags& flags) = 0;
  virtual bool IsTaskbarAutoHide() = 0;
  virtual void SetTaskbarAutoHide(bool on) = 0;

 protected:
  ~SystemStateLayer() = default;
};

// The real system: SystemParametersInfoW and the taskbar state.
SystemStateLayer& ThisComputer();

// "restore.ini" beside the running program.
std::wstring RestoreRecordPath();

class RestoreRecord {
 public:
  RestoreRecord(std::wstring path, SystemStateLayer& system) : path_(std::move(path)), system_(system) {}

  // Each is called just before the change it names; the file is on disk
  // when it returns.
  void NoteTaskbarAutoHideOn();
  void NoteAccessibilityHotKeysOff();
  // The game has given everything back: the file goes.
  void Done();

 private:
  void Write();

  std::wstring path_;
  SystemStateLayer& system_;
  bool taskbar_ = false;
  bool accessibility_ = false;
  AccessibilityFlags flags_;
};

// At launcher start: gives back what a game that died left changed and
// removes the record; true when there was one. A damaged record restores
// what it can still read and is removed all the same.
bool RestoreAfterDeadGame(const std::wstring& path, SystemStateLayer& system);

}  // namespace gamehost
