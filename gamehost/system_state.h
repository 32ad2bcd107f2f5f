// What a game changes in the system around it: the taskbar's auto-hide state,
// the sound card's mixer lines, the reminder pictures and the game settings.
// Each is switched on at the start of a game and restored at its end.
#pragma once

#include <windows.h>

// Remind flag and time limit of this game, read when it starts.
struct GameSettings {
  bool remind;
  unsigned timeLimitMinutes;
};
GameSettings ReadGameSettings();

bool IsTaskbarAutoHide();
void SetTaskbarAutoHide(bool on);

// One output line of the sound card's mixer.
class MixerLine {
 public:
  MixerLine() = default;
  ~MixerLine() { CloseLine(); }
  MixerLine(const MixerLine&) = delete;
  MixerLine& operator=(const MixerLine&) = delete;

  bool OpenMidiLine();
  bool OpenWaveLine();
  void CloseLine();
  void UnmuteLine();
  void SetLineVolumeToMaximum();
  bool isOpen() const { return open_; }

 private:
  bool open_ = false;
};

// A reminder picture moving over the board.
class Reminder {
 public:
  virtual ~Reminder() = default;
};
// Shows a reminder picture over `parent` (none when parent is null).
Reminder* ShowReminder(HWND parent, const wchar_t* resourceName);
