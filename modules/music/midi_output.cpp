#include "modules/music/midi_output.h"

#include <mmsystem.h>

#include <cwchar>

namespace {

class CMapperOutput : public CMidiOutput {
 public:
  CMapperOutput() {
    if (::midiOutGetNumDevs() == 0) return;
    HMIDIOUT h = nullptr;
    if (::midiOutOpen(&h, MIDI_MAPPER, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR) handle_ = h;
  }
  ~CMapperOutput() override {
    if (handle_) ::midiOutClose(handle_);
  }
  bool open() const override { return handle_ != nullptr; }
  void ShortMessage(std::uint32_t message) override {
    if (handle_) ::midiOutShortMsg(handle_, message);
  }
  void SetVolume(std::uint32_t volume) override {
    if (handle_) ::midiOutSetVolume(handle_, volume);
  }

 private:
  HMIDIOUT handle_ = nullptr;
};

class CTapOutput : public CMidiOutput {
 public:
  explicit CTapOutput(HWND tap) : tap_(tap) {}
  bool open() const override { return true; }
  void ShortMessage(std::uint32_t message) override { ::PostMessageW(tap_, kTapMessage, message, 0); }
  void SetVolume(std::uint32_t volume) override { ::PostMessageW(tap_, kTapMessage, volume, 1); }

 private:
  HWND tap_;
};

HWND TapWindow() {
  wchar_t text[32] = {};
  const DWORD n = ::GetEnvironmentVariableW(CMidiOutput::kTapVariable, text, 32);
  if (n == 0 || n >= 32) return nullptr;
  wchar_t* end = nullptr;
  const unsigned long long value = std::wcstoull(text, &end, 16);
  if (!end || *end != L'\0' || value == 0) return nullptr;
  HWND h = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
  return ::IsWindow(h) ? h : nullptr;
}

}  // namespace

std::unique_ptr<CMidiOutput> CMidiOutput::OpenDefault() {
  if (HWND tap = TapWindow()) return std::make_unique<CTapOutput>(tap);
  return std::make_unique<CMapperOutput>();
}
