// Arithmetic of an on-screen object: its step timing and decaying speed, the
// step table with wrap or turn at each edge, entry points within a band, and
// the enlarge / shrink / faster / slower commands of its context menu. No
// window system here; the object window applies the results.
#pragma once

#include <cstdint>

namespace bimbly::motion {

inline constexpr std::uint32_t kMoveIntervalMs = 50;
inline constexpr int kStartSpeed = 30;
inline constexpr int kMinimumSpeed = 3;
// Random values of the entry-point generator lie in 0..kRandomMax.
inline constexpr int kRandomMax = 32767;

enum Direction : int { kStill = 0, kRight = 1, kLeft = 2, kDown = 3, kUp = 4 };

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

// Turn flags: leaving across a set edge turns back (mirrored), across a clear
// one wraps to the opposite edge.
struct TurnFlags {
  bool bottom = false;
  bool top = false;
  bool right = false;
  bool left = false;
};

// The part of the object that the timer drives.
struct MotionState {
  std::uint32_t lastMoveTick = 0;
  std::uint32_t moveInterval = kMoveIntervalMs;
  int speed = kStartSpeed;
  int minimumSpeed = kMinimumSpeed;
  int direction = kStill;
  bool moving = true;
};

// One timer tick at `now`. Returns true when a step is to be taken now (with
// the already decreased speed); false when the interval has not passed or the
// object is frozen. Tick arithmetic is unsigned: it survives the 49.7-day wrap.
bool Tick(MotionState& s, std::uint32_t now);

// Milliseconds from `now` until Tick would next do anything visible or change
// the speed; kNever when nothing is due until the state changes.
inline constexpr std::uint32_t kNever = 0xFFFFFFFFu;
std::uint32_t NextTickDue(const MotionState& s, std::uint32_t now);

// What one step does: the new top-left corner, and when the object has left
// the screen, the direction it enters again with (through an entry point) and
// whether it is mirrored first.
enum class Flip { kNone, kHorizontal, kVertical };
struct Step {
  int x = 0;
  int y = 0;
  bool reenter = false;
  int reenterDirection = kStill;
  Flip flip = Flip::kNone;
};
Step PlanStep(const Rect& r, int direction, int speed, int screenWidth, int screenHeight, const TurnFlags& turn);

// The generator of entry points: the C run-time's linear congruential rand,
// seeded with the tick count at each placement. The seed is scrambled first:
// the generator's first value grows almost linearly with its seed, so copies
// placed a few milliseconds apart would otherwise all enter at one height.
class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(Scramble(seed)) {}
  static std::uint32_t Scramble(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x85EBCA6Bu;
    x ^= x >> 13;
    x *= 0xC2B2AE35u;
    x ^= x >> 16;
    return x;
  }
  int Next() {
    state_ = state_ * 214013u + 2531011u;
    ++calls_;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }
  int calls() const { return calls_; }

 private:
  std::uint32_t state_;
  int calls_ = 0;
};

struct Bounds {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct Placement {
  int x = 0;
  int y = 0;
  int direction = kStill;
};
// Entry point of a w x h object for direction d within the band `b`: moving
// right it enters one column inside the left edge, moving left at the right
// edge, down at the top, up at the bottom; other values place it at random
// inside the band, still. A range whose two ends are equal takes no random value.
Placement PlanPlacement(int d, int w, int h, const Bounds& b, int screenWidth, int screenHeight, Random& random);

// SetVerticalBand: screen height times each fraction, truncated.
int BandEdge(int screenHeight, float fraction);
// PlaceCentredAt: top-left of a w x h picture centred at the given fractions.
struct Point {
  int x = 0;
  int y = 0;
};
Point CentredAt(float fx, float fy, int w, int h, int screenWidth, int screenHeight);

// Context-menu commands. Enlarge and shrink return the new rectangle, or the
// same one when the command does nothing.
Rect Enlarge(const Rect& r, int imageWidth, int screenWidth);
Rect Shrink(const Rect& r, int imageWidth);
// Faster and slower: the new value of both speed and minimum speed from the
// minimum speed m; returns m unchanged when the command does nothing.
int Faster(int m);
int Slower(int m);

}  // namespace bimbly::motion
