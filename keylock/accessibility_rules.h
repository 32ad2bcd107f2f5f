// How the keyboard lock switches off the hot keys of the accessibility
// features (sticky, toggle, filter and mouse keys) for the length of a game.
#pragma once

#include <cstdint>

namespace bimbly::keylock {

inline constexpr std::uint32_t kFeatureOn = 0x1;
inline constexpr std::uint32_t kHotKeyActive = 0x4;
inline constexpr std::uint32_t kHotKeyConfirmation = 0x8;

struct ShortcutChange {
  bool write;           // false: leave the feature's settings alone
  std::uint32_t flags;  // the flags to write when `write` is set
};

// A feature that is off loses its hot key and the hot key's confirmation; a
// feature the user has switched on keeps everything, hot key included, so
// that the user can still switch it off the usual way.
constexpr ShortcutChange ShortcutOff(std::uint32_t savedFlags) {
  if (savedFlags & kFeatureOn) return {false, savedFlags};
  return {true, savedFlags & ~(kHotKeyActive | kHotKeyConfirmation)};
}

}  // namespace bimbly::keylock
