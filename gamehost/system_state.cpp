#include "gamehost/system_state.h"

#include "launcher/shared/settings_store.h"

GameSettings ReadGameSettings() {
  const std::wstring config = GetConfigFilePath();
  return GameSettings{ReadRemindOn(config), static_cast<unsigned>(ReadTimeLimitMinutes(config))};
}

// The taskbar, the mixer and the reminder pictures plug in here; until they
// do, a game leaves them as they are.
bool IsTaskbarAutoHide() { return true; }
void SetTaskbarAutoHide(bool) {}

bool MixerLine::OpenMidiLine() { return false; }
bool MixerLine::OpenWaveLine() { return false; }
void MixerLine::CloseLine() { open_ = false; }
void MixerLine::UnmuteLine() {}
void MixerLine::SetLineVolumeToMaximum() {}

Reminder* ShowReminder(HWND, const wchar_t*) { return nullptr; }
