// One output line of the sound card's mixer (the MIDI synthesiser or wave
// output), unmuted and turned up for a game (not in quiet mode). The volumes
// are not put back.
// Every failure leaves the line closed and every later call doing nothing.
// The multimedia calls go through a small layer that tests replace.
#pragma once

#include <windows.h>
#include <mmsystem.h>

class IMixerApi {
 public:
  virtual ~IMixerApi() = default;
  virtual UINT GetNumDevs() = 0;                                   // mixerGetNumDevs
  virtual MMRESULT OpenMidiOut(HMIDIOUT* out) = 0;                 // midiOutOpen, device 0
  virtual void CloseMidiOut(HMIDIOUT out) = 0;                     // midiOutClose
  virtual MMRESULT OpenWaveOut(HWAVEOUT* out, const WAVEFORMATEX& format) = 0;  // waveOutOpen, wave mapper
  virtual void CloseWaveOut(HWAVEOUT out) = 0;                     // waveOutClose
  virtual MMRESULT GetId(HMIXEROBJ object, UINT* id, DWORD flags) = 0;         // mixerGetID
  virtual MMRESULT Open(HMIXER* mixer, UINT id) = 0;               // mixerOpen, no callback
  virtual void Close(HMIXER mixer) = 0;                            // mixerClose
  virtual MMRESULT GetLineInfo(HMIXER mixer, MIXERLINEA* line, DWORD flags) = 0;            // mixerGetLineInfoA
  virtual MMRESULT GetLineControls(HMIXER mixer, MIXERLINECONTROLSA* controls, DWORD flags) = 0;  // mixerGetLineControlsA
  virtual MMRESULT SetControlDetails(HMIXER mixer, MIXERCONTROLDETAILS* details, DWORD flags) = 0;  // mixerSetControlDetails
};

// The platform's multimedia mixer.
IMixerApi& SystemMixerApi();

class MixerLine {
 public:
  explicit MixerLine(IMixerApi& api = SystemMixerApi()) : api_(&api) {}
  ~MixerLine() { CloseLine(); }
  MixerLine(const MixerLine&) = delete;
  MixerLine& operator=(const MixerLine&) = delete;

  // Find the line and its volume control; true when the line is ready. A
  // false result may leave the mixer open: the caller closes the line.
  bool OpenMidiLine();
  bool OpenWaveLine();
  // Every mute control off, every selector with all its items on.
  void UnmuteLine();
  // Every channel of the volume control to value, when it lies within the
  // control's bounds.
  void SetLineVolume(DWORD value);
  // At game start: unmuted and at the volume control's maximum; in quiet
  // mode nothing is touched.
  void MakeAudible(bool quiet);
  void CloseLine();

  bool isOpen() const { return opened_; }
  bool lineFound() const { return lineFound_; }
  bool hasVolume() const { return hasVolume_; }
  DWORD volumeMaximum() const { return volumeMaximum_; }

 private:
  bool OpenMixerOf(HMIXEROBJ device, DWORD objectFlag);
  bool FindVolumeControl(const MIXERLINEA& line);

  bool opened_ = false;
  bool lineFound_ = false;
  bool hasVolume_ = false;
  UINT mixerId_ = 0;
  HMIXER mixer_ = nullptr;
  DWORD lineId_ = 0;
  DWORD volumeControlId_ = 0;
  DWORD channels_ = 0;
  DWORD volumeMinimum_ = 0xFFFFFFFF;
  DWORD volumeMaximum_ = 0xFFFFFFFF;
  DWORD volumeSteps_ = 0;
  IMixerApi* api_;
};
