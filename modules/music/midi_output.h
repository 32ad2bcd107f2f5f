// The music board's MIDI output, small and replaceable: the system's MIDI
// mapper, or a tap that hands every message to a watching window (set
// BIMBLY_MIDI_TAP to that window's handle in hexadecimal; tests and tools use
// it to see what the board plays, also where the machine has no MIDI device).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

class CMidiOutput {
 public:
  // Message a tap window receives for every short message (wParam: the
  // packed message, lParam: 0) and for the volume (lParam: 1).
  static constexpr UINT kTapMessage = WM_APP + 0x3C0;
  static constexpr wchar_t kTapVariable[] = L"BIMBLY_MIDI_TAP";

  virtual ~CMidiOutput() = default;
  // Whether messages go anywhere.
  virtual bool open() const = 0;
  virtual void ShortMessage(std::uint32_t message) = 0;
  virtual void SetVolume(std::uint32_t volume) = 0;

  // The tap when BIMBLY_MIDI_TAP names a window, else the MIDI mapper (an
  // output that is not open when the machine has no MIDI device).
  static std::unique_ptr<CMidiOutput> OpenDefault();
};
