// Arithmetic of the update helper's notice, which slides out from behind the
// taskbar, waits and slides back: which edge the taskbar is on, where the
// notice starts hidden, the timer period of one step, and each step in and
// out. No window system here; the notice window applies the results.
#pragma once

#include <cstdint>

namespace bimbly::notice {

enum Placement : int { kTop = 1, kLeft = 2, kRight = 3, kBottom = 4 };

struct Area {
  int left = 0, top = 0, right = 0, bottom = 0;
};

struct Slide {
  Placement placement = kBottom;
  int width = 0, height = 0;  // the notice's size
  int increment = 2;          // pixels per step
  int startX = 0, startY = 0;  // hidden, just outside the work area by the taskbar
  std::uint32_t showInterval = 0, hideInterval = 0;  // timer period of one step
};

// The taskbar's edge, told from the work area against the screen: right when
// the work area is narrower and starts at x = 0, left when narrower
// otherwise, top when lower and not starting at y = 0, else bottom.
Placement PlacementFor(const Area& work, int screenWidth, int screenHeight);

// The slide of a width x height notice by that edge, taking `showMs` to come
// out and `hideMs` to go back, `increment` pixels a step.
Slide PlanSlide(Placement placement, const Area& work, int width, int height, int increment, std::uint32_t showMs,
                std::uint32_t hideMs);

// One step out from behind the taskbar; false (nothing moved) once fully shown.
bool StepIn(const Slide& slide, int& x, int& y);
// One step back; false (nothing moved) once at the start again.
bool StepOut(const Slide& slide, int& x, int& y);
// The fully shown position.
void ShownPosition(const Slide& slide, int& x, int& y);

}  // namespace bimbly::notice
