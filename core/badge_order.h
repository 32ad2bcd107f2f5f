// The car-badge board's order: 41 badges, forward with wrap on any key, back
// on the left and up arrows.
#pragma once

namespace bimbly::badges {

inline constexpr int kBadgeCount = 41;
inline constexpr int kNoBadge = kBadgeCount;  // none shown yet
inline constexpr int kFirstNameId = 7000;     // string id of badge 0's name

// The badge after `current` for a key; `back` is the left or up arrow.
inline int NextBadge(int current, bool back) {
  if (back) return current <= 0 ? kBadgeCount - 1 : current - 1;
  return current >= kBadgeCount - 1 ? 0 : current + 1;
}

}  // namespace bimbly::badges
