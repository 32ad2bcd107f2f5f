#include "core/image_rules.h"

#include <algorithm>

namespace bimbly::image {

std::uint32_t FrameDelayMs(std::uint32_t hundredths) {
  // Compare before multiplying: a 32-bit value times 10 may wrap.
  if (hundredths == 0 || hundredths > kLongestDelayMs / 10) return kFallbackDelayMs;
  return hundredths * 10;
}

std::vector<std::uint32_t> FrameDelaysMs(const std::vector<std::uint32_t>& hundredths, std::uint32_t frameCount) {
  std::vector<std::uint32_t> out(frameCount, kFallbackDelayMs);
  const std::size_t n = std::min<std::size_t>(frameCount, hundredths.size());
  for (std::size_t i = 0; i < n; ++i) out[i] = FrameDelayMs(hundredths[i]);
  return out;
}

bool PictureSizeAcceptable(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0) return false;
  if (width > static_cast<std::int64_t>(kMaxPixels) || height > static_cast<std::int64_t>(kMaxPixels)) return false;
  return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= kMaxPixels;
}

std::uint32_t FramesToKeep(std::uint32_t frameCount, std::int64_t width, std::int64_t height) {
  if (!PictureSizeAcceptable(width, height)) return 0;
  const std::uint64_t perFrame = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  const std::uint64_t byBudget = std::max<std::uint64_t>(1, kMaxAnimationPixels / perFrame);
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>({static_cast<std::uint64_t>(frameCount), kMaxFrames, byBudget}));
}

bool MayAdvance(const AnimationState& s) {
  if (s.frameCount <= 1) return false;
  if (s.loop) return true;
  return s.stopFrame >= 0 && s.currentFrame != s.stopFrame;
}

int NextFrame(const AnimationState& s, const std::vector<std::uint32_t>& delaysMs, std::uint32_t now,
              std::uint32_t lastChange) {
  if (!MayAdvance(s)) return s.currentFrame;
  if (s.currentFrame < 0 || static_cast<std::uint32_t>(s.currentFrame) >= s.frameCount) return 0;
  const std::uint32_t delay = static_cast<std::size_t>(s.currentFrame) < delaysMs.size()
                                  ? delaysMs[static_cast<std::size_t>(s.currentFrame)]
                                  : kFallbackDelayMs;
  if (now - lastChange <= delay) return s.currentFrame;
  const int next = s.currentFrame + 1;
  return static_cast<std::uint32_t>(next) >= s.frameCount ? 0 : next;
}

std::size_t SurfaceStride(int width) {
  if (width <= 0) return 0;
  return ((static_cast<std::size_t>(width) * 32 + 31) / 32) * 4;
}

std::size_t SurfaceBytes(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  return SurfaceStride(width) * static_cast<std::size_t>(height);
}

bool SurfaceNeedsRebuild(int surfaceWidth, int surfaceHeight, int windowWidth, int windowHeight) {
  return surfaceWidth != windowWidth || surfaceHeight != windowHeight;
}

Point StretchedCentre(int x, int y, int pictureWidth, int pictureHeight, int windowWidth, int windowHeight) {
  if (pictureWidth <= 0 || pictureHeight <= 0) return {0, 0};
  const auto map = [](int v, int from, int to) {
    // Centre of source pixel v, scaled: (v + 0.5) * to / from, in integers.
    return static_cast<int>(((2LL * v + 1) * to) / (2LL * from));
  };
  return {map(x, pictureWidth, windowWidth), map(y, pictureHeight, windowHeight)};
}

}  // namespace bimbly::image
