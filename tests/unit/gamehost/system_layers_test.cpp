// What a game does to the taskbar and to the mixer lines, through fakes that
// play the shell and the multimedia mixer (there are neither under Wine).
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "gamehost/system/mixer.h"
#include "gamehost/system/taskbar.h"

namespace {

// ---- Taskbar -------------------------------------------------------------

const HWND kTaskbar = reinterpret_cast<HWND>(0x4242);

class FakeShell final : public gamehost::ITaskbarShell {
 public:
  bool hasTaskbar = true;
  UINT state = 0;
  int sets = 0;
  HWND FindTaskbar() override { return hasTaskbar ? kTaskbar : nullptr; }
  UINT GetState(HWND h) override {
    EXPECT_EQ(h, kTaskbar);
    return state;
  }
  void SetState(HWND h, UINT s) override {
    EXPECT_EQ(h, kTaskbar);
    state = s;
    ++sets;
  }
};

struct TaskbarCase {
  const char* name;
  bool hasTaskbar;
  UINT before;
  std::function<void(FakeShell&)> duringGame;  // what the user does meanwhile
  bool wasAutoHide;
  UINT during, after;
  int sets;
};

TEST(Taskbar, AutoHideForTheGameAndOnlyThatBitClearedAfterIt) {
  const auto nothing = [](FakeShell&) {};
  const TaskbarCase cases[] = {
      {"visible: hidden during, visible after", true, ABS_ALWAYSONTOP, nothing, false,
       ABS_ALWAYSONTOP | ABS_AUTOHIDE, ABS_ALWAYSONTOP, 2},
      {"already auto-hide: untouched", true, ABS_AUTOHIDE | ABS_ALWAYSONTOP, nothing, true,
       ABS_AUTOHIDE | ABS_ALWAYSONTOP, ABS_AUTOHIDE | ABS_ALWAYSONTOP, 0},
      {"switched off during the game: stays off", true, 0, [](FakeShell& s) { s.state = 0; }, false, 0, 0, 1},
      {"on-top switched during the game: kept, only auto-hide cleared", true, 0,
       [](FakeShell& s) { s.state |= ABS_ALWAYSONTOP; }, false, ABS_ALWAYSONTOP | ABS_AUTOHIDE, ABS_ALWAYSONTOP, 2},
      {"no taskbar: nothing read or sent", false, 0, nothing, false, 0, 0, 0},
  };
  for (const TaskbarCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeShell shell;
    shell.hasTaskbar = c.hasTaskbar;
    shell.state = c.before;
    // As the game window does at its start and at its end.
    const bool was = gamehost::IsTaskbarAutoHide(shell);
    EXPECT_EQ(was, c.wasAutoHide);
    if (!was) gamehost::SetTaskbarAutoHide(true, shell);
    EXPECT_EQ(gamehost::IsTaskbarAutoHide(shell), c.hasTaskbar);
    c.duringGame(shell);
    EXPECT_EQ(shell.state, c.during);
    if (!was) gamehost::SetTaskbarAutoHide(false, shell);
    EXPECT_EQ(shell.state, c.after);
    EXPECT_EQ(shell.sets, c.sets);
  }
}

// ---- Mixer ---------------------------------------------------------------

constexpr DWORD kVolumeId = 10, kMuteId = 11, kSelectorId = 12, kBassId = 13;
constexpr DWORD kWaveLine = 0x1008, kSynthLine = 0x1009;

struct Sent {
  DWORD controlId, channels, items;
  std::vector<DWORD> values;
};

// One mixer with one line; every call can be made to fail.
class FakeMixer final : public IMixerApi {
 public:
  UINT devices = 1;
  std::string fail;  // the name of the call that fails
  DWORD channels = 2;
  DWORD componentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
  std::vector<MIXERCONTROLA> controls;
  std::vector<Sent> sent;
  int mixersOpen = 0, devicesOpen = 0;

  void AddControl(DWORD id, DWORD type, DWORD flags, DWORD items = 0, DWORD min = 0, DWORD max = 0) {
    MIXERCONTROLA c{};
    c.cbStruct = sizeof(c);
    c.dwControlID = id;
    c.dwControlType = type;
    c.fdwControl = flags;
    c.cMultipleItems = items;
    c.Bounds.dwMinimum = min;
    c.Bounds.dwMaximum = max;
    c.Metrics.cSteps = max - min + 1;
    controls.push_back(c);
  }

  MMRESULT Result(const char* call) { return fail == call ? MMSYSERR_ERROR : MMSYSERR_NOERROR; }
  UINT GetNumDevs() override { return devices; }
  MMRESULT OpenMidiOut(HMIDIOUT* out) override { return Device(reinterpret_cast<void**>(out), "midiOutOpen"); }
  void CloseMidiOut(HMIDIOUT) override { --devicesOpen; }
  MMRESULT OpenWaveOut(HWAVEOUT* out, const WAVEFORMATEX& f) override {
    EXPECT_EQ(f.nChannels, 1);
    EXPECT_EQ(f.nSamplesPerSec, 22050u);
    EXPECT_EQ(f.nAvgBytesPerSec, 44100u);
    return Device(reinterpret_cast<void**>(out), "waveOutOpen");
  }
  void CloseWaveOut(HWAVEOUT) override { --devicesOpen; }
  MMRESULT GetId(HMIXEROBJ, UINT* id, DWORD) override {
    *id = 3;
    return Result("mixerGetID");
  }
  MMRESULT Open(HMIXER* mixer, UINT id) override {
    EXPECT_EQ(id, 3u);
    if (fail == "mixerOpen") return MMSYSERR_ERROR;
    *mixer = reinterpret_cast<HMIXER>(0x77);
    ++mixersOpen;
    return MMSYSERR_NOERROR;
  }
  void Close(HMIXER) override { --mixersOpen; }
  MMRESULT GetLineInfo(HMIXER, MIXERLINEA* line, DWORD flags) override {
    EXPECT_EQ(line->cbStruct, sizeof(MIXERLINEA));
    switch (flags & MIXER_GETLINEINFOF_QUERYMASK) {
      case MIXER_GETLINEINFOF_SOURCE:  // the synthesiser's place
        if (line->dwDestination == 0 && line->dwSource == 1) line->dwComponentType = componentType;
        return MMSYSERR_NOERROR;
      case MIXER_GETLINEINFOF_COMPONENTTYPE:
        if (line->dwComponentType != componentType) return MIXERR_INVALLINE;
        if (fail == "lineByType") return MMSYSERR_ERROR;
        break;
      case MIXER_GETLINEINFOF_LINEID:
        if (line->dwLineID != LineId() || fail == "lineById") return MIXERR_INVALLINE;
        break;
    }
    line->dwLineID = LineId();
    line->cChannels = channels;
    line->cControls = static_cast<DWORD>(controls.size());
    return MMSYSERR_NOERROR;
  }
  MMRESULT GetLineControls(HMIXER, MIXERLINECONTROLSA* r, DWORD flags) override {
    EXPECT_EQ(r->cbStruct, sizeof(MIXERLINECONTROLSA));
    EXPECT_EQ(r->cbmxctrl, sizeof(MIXERCONTROLA));
    EXPECT_EQ(r->dwLineID, LineId());
    if (fail == "controls") return MMSYSERR_ERROR;
    if ((flags & MIXER_GETLINECONTROLSF_QUERYMASK) == MIXER_GETLINECONTROLSF_ONEBYTYPE) {
      for (const MIXERCONTROLA& c : controls) {
        if (c.dwControlType == r->dwControlType) {
          *r->pamxctrl = c;
          return MMSYSERR_NOERROR;
        }
      }
      return MIXERR_INVALCONTROL;
    }
    EXPECT_EQ(r->cControls, controls.size());
    for (size_t i = 0; i < controls.size(); ++i) {
      EXPECT_EQ(r->pamxctrl[i].cbStruct, sizeof(MIXERCONTROLA));
      r->pamxctrl[i] = controls[i];
    }
    return MMSYSERR_NOERROR;
  }
  MMRESULT SetControlDetails(HMIXER, MIXERCONTROLDETAILS* d, DWORD flags) override {
    EXPECT_EQ(d->cbStruct, sizeof(MIXERCONTROLDETAILS));
    EXPECT_EQ(d->cbDetails, 4u);
    EXPECT_EQ(flags & MIXER_SETCONTROLDETAILSF_QUERYMASK, MIXER_SETCONTROLDETAILSF_VALUE);
    const DWORD count = d->cChannels * (d->cMultipleItems ? d->cMultipleItems : 1);
    const DWORD* v = static_cast<const DWORD*>(d->paDetails);
    sent.push_back({d->dwControlID, d->cChannels, d->cMultipleItems, std::vector<DWORD>(v, v + count)});
    return MMSYSERR_NOERROR;
  }

 private:
  DWORD LineId() const { return componentType == MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT ? kWaveLine : kSynthLine; }
  MMRESULT Device(void** out, const char* call) {
    if (fail == call) return MMSYSERR_NODRIVER;
    *out = reinterpret_cast<void*>(0x55);
    ++devicesOpen;
    return MMSYSERR_NOERROR;
  }
};

// Opens a line as the game dialog does, unmutes it and turns it up (in quiet
// mode: leaves it alone).
bool PlayOn(FakeMixer& fake, bool midi, bool quiet = false) {
  MixerLine line(fake);
  const bool ready = midi ? line.OpenMidiLine() : line.OpenWaveLine();
  if (!ready) line.CloseLine();
  line.MakeAudible(quiet);
  EXPECT_EQ(fake.devicesOpen, 0);  // the output device is only borrowed
  return ready;
}

TEST(Mixer, AStereoLineIsUnmutedAndEveryChannelTurnedUp) {
  FakeMixer fake;
  fake.AddControl(kBassId, MIXERCONTROL_CONTROLTYPE_BASS, 0, 0, 0, 100);
  fake.AddControl(kMuteId, MIXERCONTROL_CONTROLTYPE_MUTE, MIXERCONTROL_CONTROLF_UNIFORM, 0, 0, 1);
  fake.AddControl(kVolumeId, MIXERCONTROL_CONTROLTYPE_VOLUME, 0, 0, 0, 65535);
  ASSERT_TRUE(PlayOn(fake, false));
  ASSERT_EQ(fake.sent.size(), 2u);  // the bass is left alone
  EXPECT_EQ(fake.sent[0].controlId, kMuteId);
  EXPECT_EQ(fake.sent[0].values, std::vector<DWORD>{0});
  EXPECT_EQ(fake.sent[1].controlId, kVolumeId);
  EXPECT_EQ(fake.sent[1].channels, 2u);
  EXPECT_EQ(fake.sent[1].values, (std::vector<DWORD>{65535, 65535}));
  EXPECT_EQ(fake.mixersOpen, 0);

  // Quiet mode: the same line, found and then left as it is.
  for (bool midi : {false, true}) {
    FakeMixer quiet;
    if (midi) quiet.componentType = MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER;
    quiet.controls = fake.controls;
    EXPECT_TRUE(PlayOn(quiet, midi, true));
    EXPECT_TRUE(quiet.sent.empty());
  }
}

TEST(Mixer, EveryItemOfEveryChannelOfASelectorIsSwitchedOn) {
  FakeMixer fake;
  fake.componentType = MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER;
  fake.AddControl(kSelectorId, MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT, MIXERCONTROL_CONTROLF_MULTIPLE, 3);
  fake.AddControl(kVolumeId, MIXERCONTROL_CONTROLTYPE_VOLUME, MIXERCONTROL_CONTROLF_UNIFORM, 0, 0, 0xFFFF);
  ASSERT_TRUE(PlayOn(fake, true));
  ASSERT_EQ(fake.sent.size(), 2u);
  EXPECT_EQ(fake.sent[0].controlId, kSelectorId);
  EXPECT_EQ(fake.sent[0].channels, 2u);
  EXPECT_EQ(fake.sent[0].items, 3u);
  EXPECT_EQ(fake.sent[0].values, std::vector<DWORD>(6, 1));
  // The volume goes to every channel of the line.
  EXPECT_EQ(fake.sent[1].values, (std::vector<DWORD>{0xFFFF, 0xFFFF}));
}

TEST(Mixer, AnyFailureLeavesTheLineClosedOrWithoutVolume) {
  struct Case {
    const char* fail;
    UINT devices;
    bool volumeDisabled;
    bool ready;
    size_t sent;  // controls sent to afterwards
  } cases[] = {
      {"", 0, false, false, 0},          {"midiOutOpen", 1, false, false, 0},
      {"waveOutOpen", 1, false, false, 0}, {"mixerGetID", 1, false, false, 0},
      {"mixerOpen", 1, false, false, 0},   {"lineByType", 1, false, false, 0},
      {"controls", 1, false, true, 0},     {"lineById", 1, false, true, 1},
      {"", 1, true, true, 1},
  };
  for (bool midi : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(midi ? "midi " : "wave ") + c.fail + (c.volumeDisabled ? "volume disabled" : ""));
      if ((midi && c.fail == std::string("waveOutOpen")) || (!midi && c.fail == std::string("midiOutOpen")))
        continue;
      FakeMixer fake;
      if (midi) fake.componentType = MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER;
      fake.devices = c.devices;
      fake.fail = c.fail;
      fake.AddControl(kMuteId, MIXERCONTROL_CONTROLTYPE_MUTE, MIXERCONTROL_CONTROLF_UNIFORM, 0, 0, 1);
      fake.AddControl(kVolumeId, MIXERCONTROL_CONTROLTYPE_VOLUME,
                      c.volumeDisabled ? MIXERCONTROL_CONTROLF_DISABLED : 0, 0, 0, 100);
      EXPECT_EQ(PlayOn(fake, midi), c.ready);
      EXPECT_EQ(fake.sent.size(), c.sent);
      EXPECT_EQ(fake.mixersOpen, 0);
    }
  }
}

TEST(Mixer, AVolumeOutsideTheControlsBoundsIsNotSent) {
  FakeMixer fake;
  fake.AddControl(kVolumeId, MIXERCONTROL_CONTROLTYPE_VOLUME, 0, 0, 10, 100);
  MixerLine line(fake);
  ASSERT_TRUE(line.OpenWaveLine());
  for (DWORD v : {9ul, 101ul, 0xFFFFFFFFul}) line.SetLineVolume(v);
  EXPECT_TRUE(fake.sent.empty());
  line.SetLineVolume(10);
  EXPECT_EQ(fake.sent.size(), 1u);
  line.CloseLine();
  line.SetLineVolume(50);  // closed: nothing more
  EXPECT_EQ(fake.sent.size(), 1u);
}

}  // namespace
