#include "core/notice_slide.h"

#include <gtest/gtest.h>

using namespace bimbly::notice;

TEST(NoticeSlide, OutFromBehindTheTaskbarAndBackByEachEdge) {
  // A 1280 x 1024 screen with a 40-pixel taskbar on each edge in turn.
  struct Case {
    const char* name;
    Area work;
    Placement placement;
    int startX, startY, shownX, shownY;
  };
  const Case cases[] = {
      {"bottom", {0, 0, 1280, 984}, kBottom, 1088, 984, 1088, 856},
      {"top", {0, 40, 1280, 1024}, kTop, 1088, -88, 1088, 40},
      {"left", {40, 0, 1280, 1024}, kLeft, -152, 896, 40, 896},
      {"right", {0, 0, 1240, 1024}, kRight, 1240, 896, 1048, 896},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(PlacementFor(c.work, 1280, 1024), c.placement);
    const Slide s = PlanSlide(c.placement, c.work, 192, 128, 2, 500, 500);
    EXPECT_EQ(s.startX, c.startX);
    EXPECT_EQ(s.startY, c.startY);
    // 500 ms over 64 steps of 2 pixels (96 sideways).
    EXPECT_EQ(s.showInterval, c.placement == kBottom || c.placement == kTop ? 7u : 5u);
    int x = s.startX, y = s.startY, steps = 0;
    while (StepIn(s, x, y) && steps < 1000) ++steps;
    EXPECT_EQ(steps, c.placement == kBottom || c.placement == kTop ? 64 : 96);
    int shownX = 0, shownY = 0;
    ShownPosition(s, shownX, shownY);
    EXPECT_EQ(x, c.shownX);
    EXPECT_EQ(y, c.shownY);
    EXPECT_EQ(shownX, c.shownX);
    EXPECT_EQ(shownY, c.shownY);
    while (StepOut(s, x, y) && steps < 2000) ++steps;
    EXPECT_EQ(x, s.startX);
    EXPECT_EQ(y, s.startY);
  }
  // No work area smaller than the screen: bottom, as with no taskbar at all.
  EXPECT_EQ(PlacementFor({0, 0, 1280, 1024}, 1280, 1024), kBottom);
}
