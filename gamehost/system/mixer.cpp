#include "gamehost/system/mixer.h"

#include <cstdint>
#include <new>
#include <vector>

namespace {

// Requests name the open mixer by its handle.
constexpr DWORD kByMixerHandle = MIXER_OBJECTF_HMIXER;
// More values than any sound card has channels × items: a driver's nonsense
// is skipped, never allocated.
constexpr std::uint64_t kMostValues = 1u << 16;

class SystemMixer final : public IMixerApi {
 public:
  UINT GetNumDevs() override { return ::mixerGetNumDevs(); }
  MMRESULT OpenMidiOut(HMIDIOUT* out) override { return ::midiOutOpen(out, 0, 0, 0, CALLBACK_NULL); }
  void CloseMidiOut(HMIDIOUT out) override { ::midiOutClose(out); }
  MMRESULT OpenWaveOut(HWAVEOUT* out, const WAVEFORMATEX& format) override {
    return ::waveOutOpen(out, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL);
  }
  void CloseWaveOut(HWAVEOUT out) override { ::waveOutClose(out); }
  MMRESULT GetId(HMIXEROBJ object, UINT* id, DWORD flags) override { return ::mixerGetID(object, id, flags); }
  MMRESULT Open(HMIXER* mixer, UINT id) override { return ::mixerOpen(mixer, id, 0, 0, MIXER_OBJECTF_MIXER); }
  void Close(HMIXER mixer) override { ::mixerClose(mixer); }
  MMRESULT GetLineInfo(HMIXER mixer, MIXERLINEA* line, DWORD flags) override {
    return ::mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(mixer), line, flags);
  }
  MMRESULT GetLineControls(HMIXER mixer, MIXERLINECONTROLSA* controls, DWORD flags) override {
    return ::mixerGetLineControlsA(reinterpret_cast<HMIXEROBJ>(mixer), controls, flags);
  }
  MMRESULT SetControlDetails(HMIXER mixer, MIXERCONTROLDETAILS* details, DWORD flags) override {
    return ::mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(mixer), details, flags);
  }
};

MIXERLINEA EmptyLine() {
  MIXERLINEA line{};
  line.cbStruct = sizeof(line);
  return line;
}

// The value every item of a control gets, or false when it is left alone.
bool UnmutedValue(DWORD controlType, DWORD* value) {
  switch (controlType) {
    case MIXERCONTROL_CONTROLTYPE_MUTE:
      *value = 0;
      return true;
    case MIXERCONTROL_CONTROLTYPE_SINGLESELECT:
    case MIXERCONTROL_CONTROLTYPE_MUX:
    case MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT:
    case MIXERCONTROL_CONTROLTYPE_MIXER:
      *value = 1;
      return true;
    default:
      return false;
  }
}

// Sends `value` to every channel (and item) of a control.
void SendValues(IMixerApi& api, HMIXER mixer, DWORD controlId, DWORD channels, DWORD items, DWORD value) {
  const std::uint64_t count = static_cast<std::uint64_t>(channels) * (items ? items : 1);
  if (count == 0 || count > kMostValues) return;
  std::vector<MIXERCONTROLDETAILS_UNSIGNED> values;
  try {
    values.assign(static_cast<std::size_t>(count), MIXERCONTROLDETAILS_UNSIGNED{value});
  } catch (const std::bad_alloc&) {
    return;  // this control is skipped
  }
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof(details);
  details.dwControlID = controlId;
  details.cChannels = channels;
  details.cMultipleItems = items;
  details.cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);
  details.paDetails = values.data();
  api.SetControlDetails(mixer, &details, MIXER_SETCONTROLDETAILSF_VALUE | kByMixerHandle);
}

}  // namespace

IMixerApi& SystemMixerApi() {
  static SystemMixer mixer;
  return mixer;
}

bool MixerLine::OpenMixerOf(HMIXEROBJ device, DWORD objectFlag) {
  if (api_->GetId(device, &mixerId_, objectFlag) != MMSYSERR_NOERROR) return false;
  return true;
}

bool MixerLine::OpenMidiLine() {
  if (api_->GetNumDevs() == 0) return false;
  HMIDIOUT midi = nullptr;
  if (api_->OpenMidiOut(&midi) != MMSYSERR_NOERROR) return false;
  if (!OpenMixerOf(reinterpret_cast<HMIXEROBJ>(midi), MIXER_OBJECTF_HMIDIOUT)) {
    api_->CloseMidiOut(midi);
    return false;
  }
  const MMRESULT opened = api_->Open(&mixer_, mixerId_);
  api_->CloseMidiOut(midi);
  if (opened != MMSYSERR_NOERROR) {
    mixer_ = nullptr;
    return false;
  }
  opened_ = true;

  // The synthesiser is the second source of the first destination; its
  // component type names the line (the first query's result tells nothing).
  MIXERLINEA line = EmptyLine();
  line.dwDestination = 0;
  line.dwSource = 1;
  api_->GetLineInfo(mixer_, &line, MIXER_GETLINEINFOF_SOURCE | kByMixerHandle);
  const DWORD componentType = line.dwComponentType;
  line = EmptyLine();
  line.dwComponentType = componentType;
  if (api_->GetLineInfo(mixer_, &line, MIXER_GETLINEINFOF_COMPONENTTYPE | kByMixerHandle) != MMSYSERR_NOERROR)
    return false;
  return FindVolumeControl(line);
}

bool MixerLine::OpenWaveLine() {
  if (api_->GetNumDevs() == 0) return false;
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = 22050;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 2;
  format.nAvgBytesPerSec = 44100;
  HWAVEOUT wave = nullptr;
  if (api_->OpenWaveOut(&wave, format) != MMSYSERR_NOERROR) return false;
  const bool known = OpenMixerOf(reinterpret_cast<HMIXEROBJ>(wave), MIXER_OBJECTF_HWAVEOUT);
  api_->CloseWaveOut(wave);
  if (!known) return false;
  if (api_->Open(&mixer_, mixerId_) != MMSYSERR_NOERROR) {
    mixer_ = nullptr;
    return false;
  }
  opened_ = true;

  MIXERLINEA line = EmptyLine();
  line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
  if (api_->GetLineInfo(mixer_, &line, MIXER_GETLINEINFOF_COMPONENTTYPE | kByMixerHandle) != MMSYSERR_NOERROR)
    return false;
  return FindVolumeControl(line);
}

bool MixerLine::FindVolumeControl(const MIXERLINEA& line) {
  MIXERCONTROLA control{};
  control.cbStruct = sizeof(control);
  MIXERLINECONTROLSA request{};
  request.cbStruct = sizeof(request);
  request.dwLineID = line.dwLineID;
  request.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
  request.cControls = 1;
  request.cbmxctrl = sizeof(control);
  request.pamxctrl = &control;
  if (api_->GetLineControls(mixer_, &request, MIXER_GETLINECONTROLSF_ONEBYTYPE | kByMixerHandle) ==
          MMSYSERR_NOERROR &&
      !(control.fdwControl & MIXERCONTROL_CONTROLF_DISABLED)) {
    hasVolume_ = true;
    volumeControlId_ = control.dwControlID;
    volumeMinimum_ = control.Bounds.dwMinimum;
    volumeMaximum_ = control.Bounds.dwMaximum;
    volumeSteps_ = control.Metrics.cSteps;
  }
  lineId_ = line.dwLineID;
  channels_ = line.cChannels;
  lineFound_ = true;
  return true;
}

void MixerLine::UnmuteLine() {
  if (!lineFound_) return;
  MIXERLINEA line = EmptyLine();
  line.dwLineID = lineId_;
  if (api_->GetLineInfo(mixer_, &line, MIXER_GETLINEINFOF_LINEID | kByMixerHandle) != MMSYSERR_NOERROR) return;
  if (line.cControls == 0 || line.cControls > kMostValues) return;

  std::vector<MIXERCONTROLA> controls;
  try {
    MIXERCONTROLA blank{};
    blank.cbStruct = sizeof(blank);
    controls.assign(line.cControls, blank);
  } catch (const std::bad_alloc&) {
    return;
  }
  MIXERLINECONTROLSA request{};
  request.cbStruct = sizeof(request);
  request.dwLineID = lineId_;
  request.cControls = line.cControls;
  request.cbmxctrl = sizeof(MIXERCONTROLA);
  request.pamxctrl = controls.data();
  if (api_->GetLineControls(mixer_, &request, MIXER_GETLINECONTROLSF_ALL | kByMixerHandle) != MMSYSERR_NOERROR)
    return;

  for (const MIXERCONTROLA& control : controls) {
    DWORD value = 0;
    if (!UnmutedValue(control.dwControlType, &value)) continue;
    const DWORD channels = (control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : line.cChannels;
    const DWORD items = (control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? control.cMultipleItems : 0;
    SendValues(*api_, mixer_, control.dwControlID, channels, items, value);
  }
}

void MixerLine::SetLineVolume(DWORD value) {
  if (!opened_ || !hasVolume_ || value < volumeMinimum_ || value > volumeMaximum_) return;
  SendValues(*api_, mixer_, volumeControlId_, channels_, 0, value);
}

void MixerLine::MakeAudible(bool quiet) {
  if (quiet) return;  // the line stays as the system has it
  UnmuteLine();
  SetLineVolume(volumeMaximum_);
}

void MixerLine::CloseLine() {
  if (!opened_) return;
  api_->Close(mixer_);
  mixer_ = nullptr;
  opened_ = false;
  lineFound_ = false;
}
