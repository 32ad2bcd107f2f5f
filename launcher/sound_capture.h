// Recording from the microphone behind a replaceable layer: the family dialog
// records through a SoundCapture, which is waveIn on a real system and a
// stand-in that hands over prepared samples in tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace launcher {

class SoundCapture {
 public:
  // Recordings are 16-bit mono at this rate.
  static constexpr std::uint32_t kSampleRate = 22050;
  static constexpr std::uint16_t kBits = 16;
  static constexpr std::uint16_t kChannels = 1;

  virtual ~SoundCapture() = default;
  // False on a computer without a microphone.
  virtual bool Available() = 0;
  virtual bool Start() = 0;
  // Appends what was recorded since the last call (polled, never waits).
  virtual void Collect(std::vector<std::uint8_t>& samples) = 0;
  virtual void Stop() = 0;
};

// waveIn on the default recording device.
std::unique_ptr<SoundCapture> MakeWaveInCapture();

// What the family dialog records with; tests put a stand-in here.
using CaptureFactory = std::function<std::unique_ptr<SoundCapture>()>;
void SetCaptureFactory(CaptureFactory factory);
std::unique_ptr<SoundCapture> MakeCapture();

}  // namespace launcher
