// Rules of the image window that need no window system: frame timing, the
// animation's loop and stop frame, the decoding caps and the drawing surface's
// geometry. Kept apart so that they are tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bimbly::image {

// A GIF frame delay is stored in hundredths of a second. A delay of 0, or one
// longer than this, is shown for kFallbackDelayMs instead: authoring tools
// write 0 for "as fast as possible" and a stray huge value would freeze the
// picture for minutes.
inline constexpr std::uint32_t kLongestDelayMs = 10000;
inline constexpr std::uint32_t kFallbackDelayMs = 100;

// Decoding caps, so that a hostile or broken picture cannot exhaust memory:
// - one picture (a still image or one GIF frame) may hold at most
//   kMaxPixels pixels (16.7 M, e.g. 4096 x 4096: 64 MB once drawn);
// - a GIF keeps at most kMaxFrames frames, and no more frames than fit into
//   kMaxAnimationPixels pixels in all (32 M pixels, 128 MB decoded); the
//   frames beyond are dropped and the animation cycles through the rest.
inline constexpr std::uint64_t kMaxPixels = 4096ull * 4096ull;
inline constexpr std::uint32_t kMaxFrames = 512;
inline constexpr std::uint64_t kMaxAnimationPixels = 32ull * 1024ull * 1024ull;
// A window keeps its frames as drawn at its size (to skip drawing them again)
// only while all of them fit in this many bytes.
inline constexpr std::size_t kMaxDrawnCacheBytes = 8u * 1024u * 1024u;

// Milliseconds a frame is shown, from its stored delay in hundredths.
std::uint32_t FrameDelayMs(std::uint32_t hundredths);

// Per-frame display times from the raw delay list of a picture: one entry per
// frame; frames the list does not cover get the fallback delay.
std::vector<std::uint32_t> FrameDelaysMs(const std::vector<std::uint32_t>& hundredths, std::uint32_t frameCount);

// Whether a picture of this size may be loaded at all.
bool PictureSizeAcceptable(std::int64_t width, std::int64_t height);

// How many of a GIF's frames are kept (0 when the frame size is unacceptable).
std::uint32_t FramesToKeep(std::uint32_t frameCount, std::int64_t width, std::int64_t height);

struct AnimationState {
  std::uint32_t frameCount = 0;  // frames kept
  bool loop = true;              // cycle for ever
  int stopFrame = -1;            // without loop: frame to halt at, -1 halts at once
  int currentFrame = 0;
};

// Whether the animation may leave its current frame at all: a single frame
// never changes; without loop it runs until the stop frame (never, for -1).
bool MayAdvance(const AnimationState& s);

// The frame after the current one (wrapping), if the current frame's delay has
// passed at `now`, else the current frame. `lastChange` is the tick of the
// last change; tick arithmetic is unsigned so it survives the 49.7-day wrap.
int NextFrame(const AnimationState& s, const std::vector<std::uint32_t>& delaysMs, std::uint32_t now,
              std::uint32_t lastChange);

// Bytes in one row of a 32-bit surface and in the whole surface (0 for an
// empty or impossible size).
std::size_t SurfaceStride(int width);
std::size_t SurfaceBytes(int width, int height);

// The surface is rebuilt only when the window's size changes, never on a move.
bool SurfaceNeedsRebuild(int surfaceWidth, int surfaceHeight, int windowWidth, int windowHeight);

// Where source pixel (x, y) of a picture lands when it is stretched to the
// window: the centre of its destination block, used to check drawing.
struct Point {
  int x;
  int y;
};
Point StretchedCentre(int x, int y, int pictureWidth, int pictureHeight, int windowWidth, int windowHeight);

}  // namespace bimbly::image
