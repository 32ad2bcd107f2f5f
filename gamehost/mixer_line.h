// One output line of the sound card's mixer, unmuted and turned up for a game.
#pragma once

#include <windows.h>

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
