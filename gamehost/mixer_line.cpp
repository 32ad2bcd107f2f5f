#include "gamehost/mixer_line.h"

// Until the mixer is handled, a game leaves the lines as they are.
bool MixerLine::OpenMidiLine() { return false; }
bool MixerLine::OpenWaveLine() { return false; }
void MixerLine::CloseLine() { open_ = false; }
void MixerLine::UnmuteLine() {}
void MixerLine::SetLineVolumeToMaximum() {}
