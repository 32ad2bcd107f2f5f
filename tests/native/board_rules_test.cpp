// Object motion, its menu commands, the note table and the card boards' key
// plans, checked against the cases that matter to a child at the keyboard.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "core/badge_order.h"
#include "core/card_recipes.h"
#include "core/key_backlog.h"
#include "core/music_tables.h"
#include "core/object_motion.h"

using namespace bimbly;
using motion::Rect;

TEST(ObjectMotion, SpeedDecaysBeforeEachStepEvery50Ms) {
  motion::MotionState s;
  s.lastMoveTick = 1000;
  std::vector<int> steps;
  for (std::uint32_t now = 1000; now <= 1000 + 30 * 50; now += 5)
    if (motion::Tick(s, now)) steps.push_back(s.speed);
  ASSERT_GE(steps.size(), 28u);
  EXPECT_EQ(steps[0], 29);
  EXPECT_EQ(steps[1], 28);
  EXPECT_EQ(steps[25], 4);
  EXPECT_EQ(steps[26], 3);  // the 27th step is the first at 3, which stays
  EXPECT_EQ(steps[29], 3);
  // Frozen: time passes, nothing moves; the tick wrap is harmless.
  s.moving = false;
  EXPECT_FALSE(motion::Tick(s, 5000));
  EXPECT_EQ(motion::NextTickDue(s, 5000), motion::kNever);
  s.moving = true;
  s.direction = motion::kRight;
  s.lastMoveTick = 0xFFFFFFF0u;
  EXPECT_FALSE(motion::Tick(s, 0x00000010u));
  EXPECT_EQ(motion::NextTickDue(s, 0x10u), 50u - 0x20u);
  EXPECT_TRUE(motion::Tick(s, 0x00000022u));
  // Still and settled: no wake-up needed.
  s.direction = motion::kStill;
  s.speed = s.minimumSpeed;
  EXPECT_EQ(motion::NextTickDue(s, 0x40u), motion::kNever);
}

TEST(ObjectMotion, StepsWrapOrTurnAtEachEdge) {
  const int W = 1280, H = 1024;
  struct Case {
    Rect r;
    int dir;
    motion::TurnFlags turn;
    int x, y;
    bool reenter;
    int again;
    motion::Flip flip;
  };
  const motion::TurnFlags none{}, all{true, true, true, true};
  const Case cases[] = {
      {{100, 50, 200, 90}, 1, none, 110, 50, false, 0, motion::Flip::kNone},
      {{1275, 50, 1375, 90}, 1, none, 1285, 50, true, 1, motion::Flip::kNone},
      {{1275, 50, 1375, 90}, 1, all, 1285, 50, true, 2, motion::Flip::kHorizontal},
      {{-95, 50, 5, 90}, 2, none, -105, 50, true, 2, motion::Flip::kNone},
      {{-90, 50, 10, 90}, 2, all, -100, 50, false, 0, motion::Flip::kNone},  // right edge at 0: still on
      {{-95, 50, 5, 90}, 2, all, -105, 50, true, 1, motion::Flip::kHorizontal},
      {{10, 1020, 50, 1060}, 3, all, 10, 1030, true, 4, motion::Flip::kVertical},
      {{10, -35, 50, 5}, 4, none, 10, -45, true, 4, motion::Flip::kNone},
      {{10, -35, 50, 5}, 4, all, 10, -45, true, 3, motion::Flip::kVertical},
      {{10, 20, 50, 60}, 0, all, 10, 20, false, 0, motion::Flip::kNone},
  };
  for (const Case& c : cases) {
    const motion::Step s = motion::PlanStep(c.r, c.dir, 10, W, H, c.turn);
    EXPECT_EQ(s.x, c.x) << c.dir << " " << c.r.left;
    EXPECT_EQ(s.y, c.y) << c.dir << " " << c.r.top;
    EXPECT_EQ(s.reenter, c.reenter) << c.dir << " " << c.r.left;
    if (c.reenter) {
      EXPECT_EQ(s.reenterDirection, c.again) << c.dir;
    }
    EXPECT_EQ(s.flip, c.flip) << c.dir << " " << c.r.left;
  }
}

TEST(ObjectMotion, EntryPointsStayInTheBandAndEqualBoundsDrawNothing) {
  const int W = 1280, H = 1024;
  const motion::Bounds band{0, 798, W, 798};  // train: band 0.78-0.78
  EXPECT_EQ(motion::BandEdge(H, 0.78f), 798);
  for (std::uint32_t seed : {0u, 1u, 77777u}) {
    motion::Random rnd(seed);
    const motion::Placement p = motion::PlanPlacement(1, 120, 60, band, W, H, rnd);
    EXPECT_EQ(p.x, 1 - 120);
    EXPECT_EQ(p.y, 798 - 60 * 0);  // top exactly at the bound, whatever the seed
    EXPECT_EQ(p.direction, 1);
    EXPECT_EQ(rnd.calls(), 1);  // only the horizontal range drew a value
  }
  const motion::Bounds whole{0, 0, W, H};
  for (std::uint32_t seed = 0; seed < 200; ++seed) {
    motion::Random rnd(seed);
    const motion::Placement left = motion::PlanPlacement(2, 100, 50, whole, W, H, rnd);
    EXPECT_EQ(left.x, W - 1);
    EXPECT_GE(left.y, 0);
    EXPECT_LE(left.y, H - 50);
    motion::Random rnd2(seed);
    const motion::Placement anywhere = motion::PlanPlacement(7, 100, 50, whole, W, H, rnd2);
    EXPECT_EQ(anywhere.direction, 0);
    EXPECT_GE(anywhere.x, 0);
    EXPECT_LE(anywhere.x, W - 100);
  }
  // Copies placed a few milliseconds apart still enter at heights far apart.
  int spread = 0;
  for (std::uint32_t tick = 5000; tick < 5010; ++tick) {
    motion::Random a(tick), b(tick + 1);
    const int y0 = motion::PlanPlacement(1, 100, 50, whole, W, H, a).y;
    spread += std::abs(y0 - motion::PlanPlacement(1, 100, 50, whole, W, H, b).y) > 20 ? 1 : 0;
  }
  EXPECT_GE(spread, 7);
  motion::Random rnd(5);
  EXPECT_EQ(motion::PlanPlacement(3, 40, 30, whole, W, H, rnd).y, 1 - 30);
  EXPECT_EQ(motion::PlanPlacement(4, 40, 30, whole, W, H, rnd).y, H - 1);
  // A picture larger than its band still gets a top edge near the band.
  motion::Random big(9);
  const motion::Placement p = motion::PlanPlacement(1, 10, 400, {0, 900, W, 1024}, W, H, big);
  EXPECT_LE(p.y, 900);
  EXPECT_GE(p.y, 900 - 276);
  EXPECT_EQ(motion::CentredAt(0.57f, 0.36f, 101, 80, W, H).x, 729 - 50);
  EXPECT_EQ(motion::CentredAt(0.57f, 0.36f, 101, 80, W, H).y, 368 - 40);
}

TEST(ObjectMotion, MenuCommandsGrowShrinkAndChangeSpeed) {
  // Shrink a 200-wide picture: 100, 50, 26, then no more.
  Rect r{0, 0, 200, 100};
  std::vector<int> widths;
  for (int i = 0; i < 4; ++i) {
    r = motion::Shrink(r, 200);
    widths.push_back(r.width());
  }
  EXPECT_EQ(widths, (std::vector<int>{100, 50, 26, 26}));
  // The keyboard chart: 536 x 200 at the bottom left ends at 268 x 100.
  EXPECT_EQ(motion::Shrink({0, 824, 536, 1024}, 536), (Rect{134, 874, 402, 974}));
  // Enlarge doubles around the centre, until wider than three pictures or the screen.
  EXPECT_EQ(motion::Enlarge({100, 100, 200, 140}, 100, 1280), (Rect{50, 80, 250, 160}));
  EXPECT_EQ(motion::Enlarge({0, 0, 300, 10}, 100, 1280).width(), 600);
  EXPECT_EQ(motion::Enlarge({0, 0, 301, 10}, 100, 1280).width(), 301);
  EXPECT_EQ(motion::Enlarge({0, 0, 1280, 10}, 1000, 1280).width(), 1280);
  // Faster: 3, 6, 12, 12; from 0 and below one at a time. Slower: 3, 1, 0, 0.
  const int faster[][2] = {{3, 6}, {6, 12}, {12, 12}, {9, 18}, {0, 1}, {-2, -1}};
  for (const auto& f : faster) EXPECT_EQ(motion::Faster(f[0]), f[1]) << f[0];
  const int slower[][2] = {{3, 1}, {1, 0}, {0, 0}, {-1, -1}};
  for (const auto& s : slower) EXPECT_EQ(motion::Slower(s[0]), s[1]) << s[0];
}

TEST(MusicTables, NotesByScanCodeAndMessagePacking) {
  const int cases[][2] = {
      {0x10, 60}, {0x35, 60}, {0x03, 61}, {0x28, 61}, {0x1E, 44}, {0x1B, 79}, {0x0D, 78}, {0x2C, 45},
      {0x02, -1}, {0x05, -1}, {0x0C, -1}, {0x20, -1}, {0x23, -1}, {0x27, -1}, {0x1C, -1}, {0x01, -1},
      {0x29, -1}, {0x2B, -1}, {0x36, -1}, {0x39, -1}, {0xFF, -1}, {1000, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(music::NoteForScanCode(static_cast<unsigned>(c[0])), c[1]) << c[0];
  // Scan code from the flags; the extended bit (24) does not matter.
  EXPECT_EQ(music::ScanCodeOf(0x00100001u), 0x10u);
  EXPECT_EQ(music::ScanCodeOf(0x01350001u), 0x35u);
  EXPECT_EQ(music::NoteOn(0, 60, 127), 0x007F3C90u);
  EXPECT_EQ(music::NoteOff(9, 60), 0x00003C89u);
  EXPECT_EQ(music::ProgramChange(0, 124), 0x00007CC0u);
  EXPECT_EQ(music::AllNotesOff(15), 0x00007BBFu);
  ASSERT_NE(music::InstrumentFor(7), nullptr);
  EXPECT_EQ(music::InstrumentFor(7)->channel, music::kDrumChannel);
  EXPECT_EQ(music::InstrumentFor(13), nullptr);
  EXPECT_EQ(music::InstrumentFor(-1), nullptr);
}

TEST(CardBoards, KeyPlansFillThenSpeedUpAndToggleOrSound) {
  using cards::SoundDo;
  const cards::Deck& insects = cards::InsectDeck();
  const cards::CardRecipe& bee = *insects.Item(0);
  // Filling: each key creates the next copy; Enter speaks nothing yet.
  cards::KeyPlan p = cards::PlanKey(insects, bee, 3, true, true);
  EXPECT_EQ(p.createCopy, 3);
  EXPECT_FALSE(p.speak);
  // Full: the eleventh key speeds up and pauses, the twelfth resumes; Enter only speaks.
  p = cards::PlanKey(insects, bee, 10, true, false);
  EXPECT_TRUE(p.speedUp && p.toggleOff && !p.toggleOn);
  p = cards::PlanKey(insects, bee, 10, false, false);
  EXPECT_TRUE(p.speedUp && p.toggleOn);
  p = cards::PlanKey(insects, bee, 10, false, true);
  EXPECT_TRUE(p.speedUp && p.speak && !p.toggleOn);
  // Bicycle: no toggle, "WAVE7" every key.
  p = cards::PlanKey(cards::TrafficDeck(), *cards::TrafficDeck().Item(4), 5, true, false);
  EXPECT_FALSE(p.toggleOn || p.toggleOff);
  EXPECT_EQ(p.sound.what, SoundDo::kOnce);
  // Horse: once, looped, once, ... and looped from the ninth key on.
  const cards::CardRecipe& horse = *cards::AnimalDeck().Item(2);
  const SoundDo expected[] = {SoundDo::kOnce, SoundDo::kLooped, SoundDo::kOnce, SoundDo::kLooped, SoundDo::kOnce,
                              SoundDo::kLooped, SoundDo::kOnce, SoundDo::kLooped, SoundDo::kLooped};
  for (int created = 0; created < 9; ++created)
    EXPECT_EQ(cards::PlanKey(cards::AnimalDeck(), horse, created, false, false).sound.what, expected[created])
        << created;
  // A sound board speaks while filling; the rooster pulses after its sound.
  const cards::CardRecipe& rooster = *cards::BirdDeck().Item(6);
  p = cards::PlanKey(cards::BirdDeck(), rooster, 0, false, true);
  EXPECT_TRUE(p.createCopy == 0 && p.speak && p.pulseMs == 0);
  p = cards::PlanKey(cards::BirdDeck(), rooster, 1, false, false);
  EXPECT_EQ(p.pulseMs, 100);
  EXPECT_EQ(cards::BirdDeck().Item(11), nullptr);
}

TEST(KeyBacklog, OnlyAWaitBeyondTheBoundCountsAlsoAcrossTheTickWrap) {
  const struct { std::uint32_t queued, now; bool tooLong; } cases[] = {
      {1000, 1000 + kKeyBacklogMs, false}, {1000, 1001 + kKeyBacklogMs, true},
      {0xFFFFFF00u, 0x400, true},  // the clock wrapped while the key waited
      {0xFFFFFF00u, 0x10, false},  {2000, 1000, false},  // queued "after" now: no wait
  };
  for (const auto& c : cases) EXPECT_EQ(KeyWaitedTooLong(c.queued, c.now, kKeyBacklogMs), c.tooLong) << c.queued;
}

TEST(CarBadges, ForwardWrapsAndLeftOrUpGoesBack) {
  const int cases[][3] = {{badges::kNoBadge, 0, 0}, {badges::kNoBadge, 1, 40}, {0, 1, 40}, {40, 0, 0},
                          {39, 0, 40}, {5, 1, 4}};
  for (const auto& c : cases) EXPECT_EQ(badges::NextBadge(c[0], c[1] != 0), c[2]) << c[0] << " " << c[1];
}
