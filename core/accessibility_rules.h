// How a game switches off the hot keys of the accessibility features (sticky,
// toggle, filter and mouse keys) and how they are given back: the keyboard
// lock does both, the restore record gives them back after a dead game.
#pragma once

#include <cstdint>

namespace bimbly::keylock {

inline constexpr std::uint32_t kFeatureOn = 0x1;
inline constexpr std::uint32_t kHotKeyActive = 0x4;
inline constexpr std::uint32_t kHotKeyConfirmation = 0x8;
inline constexpr std::uint32_t kHotKeyBits = kHotKeyActive | kHotKeyConfirmation;

struct ShortcutChange {
  bool write;           // false: leave the feature's settings alone
  std::uint32_t flags;  // the flags to write when `write` is set
};

// A feature that is off loses its hot key and the hot key's confirmation; a
// feature the user has switched on keeps everything, hot key included, so
// that the user can still switch it off the usual way.
constexpr ShortcutChange ShortcutOff(std::uint32_t savedFlags) {
  if (savedFlags & kFeatureOn) return {false, savedFlags};
  return {true, savedFlags & ~kHotKeyBits};
}

// The flags to write when the hot keys come back: the hot-key bits as saved,
// everything else as the feature is set now.
constexpr std::uint32_t HotKeysGivenBack(std::uint32_t nowFlags, std::uint32_t savedFlags) {
  return (nowFlags & ~kHotKeyBits) | (savedFlags & kHotKeyBits);
}

}  // namespace bimbly::keylock
