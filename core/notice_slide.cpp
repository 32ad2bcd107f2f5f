#include "core/notice_slide.h"

#include <algorithm>

namespace bimbly::notice {

Placement PlacementFor(const Area& work, int screenWidth, int screenHeight) {
  const int workWidth = work.right - work.left, workHeight = work.bottom - work.top;
  if (workWidth < screenWidth && work.left == 0) return kRight;
  if (workWidth < screenWidth) return kLeft;
  if (workHeight < screenHeight && work.top != 0) return kTop;
  return kBottom;
}

Slide PlanSlide(Placement placement, const Area& work, int width, int height, int increment, std::uint32_t showMs,
                std::uint32_t hideMs) {
  Slide s;
  s.placement = placement;
  s.width = width;
  s.height = height;
  s.increment = std::max(1, increment);
  const int distance = placement == kLeft || placement == kRight ? width : height;
  const auto steps = static_cast<std::uint32_t>(std::max(1, distance / s.increment));
  s.showInterval = showMs / steps;
  s.hideInterval = hideMs / steps;
  switch (placement) {
    case kRight: s.startX = work.right, s.startY = work.bottom - height; break;
    case kLeft: s.startX = work.left - width, s.startY = work.bottom - height; break;
    case kTop: s.startX = work.right - width, s.startY = work.top - height; break;
    case kBottom: s.startX = work.right - width, s.startY = work.bottom; break;
  }
  return s;
}

bool StepIn(const Slide& s, int& x, int& y) {
  switch (s.placement) {
    case kBottom: if (y <= s.startY - s.height) return false; y -= s.increment; return true;
    case kTop: if (y - s.startY >= s.height) return false; y += s.increment; return true;
    case kLeft: if (x - s.startX >= s.width) return false; x += s.increment; return true;
    case kRight: if (x <= s.startX - s.width) return false; x -= s.increment; return true;
  }
  return false;
}

bool StepOut(const Slide& s, int& x, int& y) {
  switch (s.placement) {
    case kBottom: if (y >= s.startY) return false; y += s.increment; return true;
    case kTop: if (y <= s.startY) return false; y -= s.increment; return true;
    case kLeft: if (x <= s.startX) return false; x -= s.increment; return true;
    case kRight: if (x >= s.startX) return false; x += s.increment; return true;
  }
  return false;
}

void ShownPosition(const Slide& s, int& x, int& y) {
  x = s.startX;
  y = s.startY;
  switch (s.placement) {
    case kRight: x = s.startX - s.width; break;
    case kLeft: x = s.startX + s.width; break;
    case kTop: y = s.startY + s.height; break;
    case kBottom: y = s.startY - s.height; break;
  }
}

}  // namespace bimbly::notice
