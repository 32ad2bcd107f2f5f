#include "launcher/sound_capture.h"

#include <mmsystem.h>

#include <array>

namespace launcher {
namespace {

// Four buffers of a quarter second each, handed back to waveIn as they fill.
constexpr int kBufferCount = 4;
constexpr DWORD kBufferBytes = SoundCapture::kSampleRate * SoundCapture::kBits / 8 / 4;

class WaveInCapture : public SoundCapture {
 public:
  ~WaveInCapture() override { Stop(); }

  bool Available() override { return ::waveInGetNumDevs() > 0; }

  bool Start() override {
    Stop();
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = kChannels;
    format.nSamplesPerSec = kSampleRate;
    format.wBitsPerSample = kBits;
    format.nBlockAlign = static_cast<WORD>(kChannels * kBits / 8);
    format.nAvgBytesPerSec = kSampleRate * format.nBlockAlign;
    if (::waveInOpen(&device_, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
      device_ = nullptr;
      return false;
    }
    for (int i = 0; i < kBufferCount; ++i) {
      buffers_[i].assign(kBufferBytes, 0);
      headers_[i] = WAVEHDR{};
      headers_[i].lpData = reinterpret_cast<LPSTR>(buffers_[i].data());
      headers_[i].dwBufferLength = kBufferBytes;
      if (::waveInPrepareHeader(device_, &headers_[i], sizeof(WAVEHDR)) != MMSYSERR_NOERROR ||
          ::waveInAddBuffer(device_, &headers_[i], sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        Stop();
        return false;
      }
    }
    if (::waveInStart(device_) != MMSYSERR_NOERROR) {
      Stop();
      return false;
    }
    return true;
  }

  void Collect(std::vector<std::uint8_t>& samples) override {
    if (!device_) return;
    for (int i = 0; i < kBufferCount; ++i) {
      WAVEHDR& h = headers_[i];
      if (!(h.dwFlags & WHDR_DONE)) continue;
      samples.insert(samples.end(), buffers_[i].begin(), buffers_[i].begin() + h.dwBytesRecorded);
      h.dwFlags &= ~WHDR_DONE;
      h.dwBytesRecorded = 0;
      ::waveInAddBuffer(device_, &h, sizeof(WAVEHDR));
    }
  }

  void Stop() override {
    if (!device_) return;
    // Reset hands every buffer back at once, so unpreparing never waits.
    ::waveInReset(device_);
    for (WAVEHDR& h : headers_)
      if (h.dwFlags & WHDR_PREPARED) ::waveInUnprepareHeader(device_, &h, sizeof(WAVEHDR));
    ::waveInClose(device_);
    device_ = nullptr;
  }

 private:
  HWAVEIN device_ = nullptr;
  std::array<std::vector<std::uint8_t>, kBufferCount> buffers_;
  std::array<WAVEHDR, kBufferCount> headers_{};
};

CaptureFactory& Factory() {
  static CaptureFactory factory;
  return factory;
}

}  // namespace

std::unique_ptr<SoundCapture> MakeWaveInCapture() { return std::make_unique<WaveInCapture>(); }

void SetCaptureFactory(CaptureFactory factory) { Factory() = std::move(factory); }

std::unique_ptr<SoundCapture> MakeCapture() {
  if (Factory()) return Factory()();
  return MakeWaveInCapture();
}

}  // namespace launcher
