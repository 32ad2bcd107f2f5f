// The keyboard lock's rules: which low-level keys are thrown away, what the
// keyboard hook reports, and how the accessibility hot keys are switched off.
#include <gtest/gtest.h>

#include <cstdint>

#include "core/accessibility_rules.h"
#include "core/key_filter.h"

using namespace bimbly::keylock;

namespace {

constexpr std::uint32_t kExtended = 0x01;  // other low-level flags that must not matter
constexpr std::uint32_t kInjected = 0x10;
constexpr std::uint32_t kUp = 0x80;

TEST(KeyFilter, WindowsKeysAndF1F12AreDroppedWhateverTheModifiers) {
  for (std::uint32_t vk : {kVkLeftWindows, kVkRightWindows, kVkF1, kVkF12}) {
    for (std::uint32_t flags : {0u, kExtended, kInjected | kUp, kLowLevelAltDown}) {
      for (bool control : {false, true}) {
        EXPECT_TRUE(IsDiscardedLowLevelKey(vk, flags, control, false)) << vk << " " << flags;
        EXPECT_TRUE(IsDiscardedLowLevelKey(vk, flags, control, true)) << vk << " " << flags;
      }
    }
  }
}

TEST(KeyFilter, EscapeAndTabAreDroppedOnlyInTheirShortcuts) {
  // Alone they are game keys.
  for (std::uint32_t flags : {0u, kInjected, kUp, kExtended}) {
    EXPECT_FALSE(IsDiscardedLowLevelKey(kVkEscape, flags, false, false));
    EXPECT_FALSE(IsDiscardedLowLevelKey(kVkTab, flags, false, false));
  }
  EXPECT_TRUE(IsDiscardedLowLevelKey(kVkEscape, 0, true, false));                // Control+Escape
  EXPECT_TRUE(IsDiscardedLowLevelKey(kVkEscape, kUp, true, false));              // and its release
  EXPECT_FALSE(IsDiscardedLowLevelKey(kVkTab, 0, true, false));                  // Control+Tab is a game key
  EXPECT_TRUE(IsDiscardedLowLevelKey(kVkTab, kLowLevelAltDown, false, false));   // Alt+Tab
  EXPECT_TRUE(IsDiscardedLowLevelKey(kVkEscape, kLowLevelAltDown, false, false));  // Alt+Escape
  // Alt known from its key state alone (the flag is missing on some systems).
  EXPECT_TRUE(IsDiscardedLowLevelKey(kVkTab, kInjected, false, true));
  EXPECT_TRUE(IsDiscardedLowLevelKey(kVkEscape, kInjected | kUp, false, true));
}

TEST(KeyFilter, OrdinaryKeysPassEvenWithModifiers) {
  for (std::uint32_t vk : {0x08u, 0x0Du, 0x10u, 0x11u, 0x12u, 0x20u, 0x41u, 0x5Au, 0x5Du, 0x71u, 0x7Au, 0x7Cu, 0xFFu}) {
    EXPECT_FALSE(IsDiscardedLowLevelKey(vk, kLowLevelAltDown, true, true)) << vk;
    EXPECT_FALSE(IsDiscardedLowLevelKey(vk, 0, false, false)) << vk;
  }
}

TEST(KeyFilter, KeystrokeReports) {
  EXPECT_EQ(ReportForKeystroke(0, 0x001E0001), KeyReport::kKeyDown);
  EXPECT_EQ(ReportForKeystroke(0, 0x201E0001), KeyReport::kKeyDown);   // with Alt
  EXPECT_EQ(ReportForKeystroke(0, 0x401E0001), KeyReport::kNothing);   // auto-repeat
  EXPECT_EQ(ReportForKeystroke(0, 0x401E0005), KeyReport::kNothing);   // repeat count above 1
  EXPECT_EQ(ReportForKeystroke(0, 0xC01E0001), KeyReport::kKeyUp);
  EXPECT_EQ(ReportForKeystroke(0, 0x801E0001), KeyReport::kKeyUp);     // up without the previous-state bit
  EXPECT_EQ(ReportForKeystroke(3, 0x001E0001), KeyReport::kKeyDown);   // a peeked message counts too
  EXPECT_EQ(ReportForKeystroke(3, 0xC01E0001), KeyReport::kKeyUp);
  EXPECT_EQ(ReportForKeystroke(-1, 0x001E0001), KeyReport::kNothing);
  EXPECT_EQ(ReportForKeystroke(-1, 0xC01E0001), KeyReport::kNothing);
}

TEST(AccessibilityRules, OnlyFeaturesThatAreOffLoseTheirHotKey) {
  static_assert(!ShortcutOff(0x1 | 0x4 | 0x8).write, "a feature that is on keeps its hot key");
  const ShortcutChange armed = ShortcutOff(0x1FE);
  EXPECT_TRUE(armed.write);
  EXPECT_EQ(armed.flags, 0x1F2u);  // only the hot-key and confirmation bits go
  EXPECT_EQ(ShortcutOff(0x4).flags, 0u);
  EXPECT_EQ(ShortcutOff(0x8).flags, 0u);
  EXPECT_TRUE(ShortcutOff(0).write);  // a feature that is off is always written back
  EXPECT_EQ(ShortcutOff(0).flags, 0u);
  EXPECT_EQ(ShortcutOff(0xFFFFFFFE).flags, 0xFFFFFFF2u);
  const ShortcutChange on = ShortcutOff(0xFFFFFFFF);
  EXPECT_FALSE(on.write);
  EXPECT_EQ(on.flags, 0xFFFFFFFFu);
}

TEST(AccessibilityRules, GivingBackTakesOnlyTheHotKeyBitsFromTheSavedFlags) {
  EXPECT_EQ(HotKeysGivenBack(0x1F2, 0x1FE), 0x1FEu);  // the game's own switch-off undone
  EXPECT_EQ(HotKeysGivenBack(0x1F3, 0x00C), 0x1FFu);  // the user switched the feature on since
  EXPECT_EQ(HotKeysGivenBack(0xFFFFFFFF, 0), 0xFFFFFFF3u);
}

}  // namespace

TEST(KeyFilter, HeldModifiersFollowTheHooksOwnEvents) {
  using namespace bimbly::keylock;
  HeldModifiers held;
  TrackModifiers(held, 0xA4, false);  // left Alt down
  EXPECT_TRUE(held.alt);
  EXPECT_TRUE(IsDiscardedLowLevelKey(kVkTab, 0, held.control, held.alt));
  TrackModifiers(held, 0x41, false);  // other keys change nothing
  EXPECT_TRUE(held.alt);
  TrackModifiers(held, 0x12, true);  // Alt up
  EXPECT_FALSE(held.alt);
  EXPECT_FALSE(IsDiscardedLowLevelKey(kVkTab, 0, held.control, held.alt));
  TrackModifiers(held, 0xA3, false);  // right Control down
  EXPECT_TRUE(IsDiscardedLowLevelKey(kVkEscape, 0, held.control, held.alt));
}
