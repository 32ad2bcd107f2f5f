#include "core/object_motion.h"

namespace bimbly::motion {

bool Tick(MotionState& s, std::uint32_t now) {
  if (now - s.lastMoveTick < s.moveInterval) return false;
  s.lastMoveTick = now;
  if (!s.moving) return false;
  // The decrease comes before the step: a started object's first step is 29.
  if (s.speed > s.minimumSpeed) --s.speed;
  return true;
}

std::uint32_t NextTickDue(const MotionState& s, std::uint32_t now) {
  // A frozen object, or a still one whose speed has settled, has nothing to
  // do until an owner changes it.
  if (!s.moving) return kNever;
  if (s.direction < kRight || s.direction > kUp) {
    if (s.speed <= s.minimumSpeed) return kNever;
  }
  const std::uint32_t since = now - s.lastMoveTick;
  return since >= s.moveInterval ? 0 : s.moveInterval - since;
}

Step PlanStep(const Rect& r, int direction, int speed, int screenWidth, int screenHeight, const TurnFlags& turn) {
  Step s;
  s.x = r.left;
  s.y = r.top;
  const int w = r.width();
  const int h = r.height();
  switch (direction) {
    case kRight:
      s.x = r.left + speed;
      if (s.x > screenWidth) {
        s.reenter = true;
        s.reenterDirection = turn.right ? kLeft : kRight;
        if (turn.right) s.flip = Flip::kHorizontal;
      }
      break;
    case kLeft:
      s.x = r.left - speed;
      if (s.x + w < 0) {
        s.reenter = true;
        s.reenterDirection = turn.left ? kRight : kLeft;
        if (turn.left) s.flip = Flip::kHorizontal;
      }
      break;
    case kDown:
      s.y = r.top + speed;
      if (s.y > screenHeight) {
        s.reenter = true;
        s.reenterDirection = turn.bottom ? kUp : kDown;
        if (turn.bottom) s.flip = Flip::kVertical;
      }
      break;
    case kUp:
      s.y = r.top - speed;
      if (s.y + h < 0) {
        s.reenter = true;
        s.reenterDirection = turn.top ? kDown : kUp;
        if (turn.top) s.flip = Flip::kVertical;
      }
      break;
    default:
      break;
  }
  return s;
}

namespace {
// lo + (hi - lo - size) * r / 32767, with r drawn only for a real range.
int RandomWithin(int lo, int hi, int size, Random& random) {
  const int r = lo == hi ? 0 : random.Next();
  const long long span = static_cast<long long>(hi) - lo - size;
  return static_cast<int>(lo + span * r / kRandomMax);
}
}  // namespace

Placement PlanPlacement(int d, int w, int h, const Bounds& b, int screenWidth, int screenHeight, Random& random) {
  const int y = RandomWithin(b.top, b.bottom, h, random);
  const int x = RandomWithin(b.left, b.right, w, random);
  Placement p{x, y, d};
  switch (d) {
    case kRight:
      p.x = 1 - w;
      break;
    case kLeft:
      p.x = screenWidth - 1;
      break;
    case kDown:
      p.y = 1 - h;
      break;
    case kUp:
      p.y = screenHeight - 1;
      break;
    default:
      p.direction = kStill;
      break;
  }
  return p;
}

int BandEdge(int screenHeight, float fraction) { return static_cast<int>(static_cast<float>(screenHeight) * fraction); }

Point CentredAt(float fx, float fy, int w, int h, int screenWidth, int screenHeight) {
  const int cx = static_cast<int>(static_cast<float>(screenWidth) * fx);
  const int cy = static_cast<int>(static_cast<float>(screenHeight) * fy);
  return {cx - w / 2, cy - h / 2};
}

Rect Enlarge(const Rect& r, int imageWidth, int screenWidth) {
  const int w = r.width();
  const int h = r.height();
  if (w > 3 * imageWidth || w >= screenWidth) return r;
  return {r.left - w / 2, r.top - h / 2, r.right + w / 2, r.bottom + h / 2};
}

Rect Shrink(const Rect& r, int imageWidth) {
  const int w = r.width();
  const int h = r.height();
  if (w < imageWidth / 4) return r;
  return {r.left + w / 4, r.top + h / 4, r.right - w / 4, r.bottom - h / 4};
}

int Faster(int m) {
  if (m <= 0) return m + 1;
  if (m < 10) return 2 * m;
  return m;
}

int Slower(int m) { return m > 0 ? m / 2 : m; }

}  // namespace bimbly::motion
