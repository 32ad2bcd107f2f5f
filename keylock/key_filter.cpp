#include "keylock/key_filter.h"

namespace bimbly::keylock {

bool IsDiscardedLowLevelKey(std::uint32_t virtualKey, std::uint32_t lowLevelFlags, bool controlDown,
                            bool altDown) {
  altDown = altDown || (lowLevelFlags & kLowLevelAltDown) != 0;
  if (virtualKey == kVkEscape && controlDown) return true;  // Start menu
  if (virtualKey == kVkTab && altDown) return true;         // task switcher
  if (virtualKey == kVkEscape && altDown) return true;      // window cycling
  switch (virtualKey) {
    case kVkLeftWindows:
    case kVkRightWindows:
    case kVkF1:
    case kVkF12:
      return true;
    default:
      return false;
  }
}

KeyReport ReportForKeystroke(int hookCode, std::uint32_t keystrokeFlags) {
  if (hookCode < 0) return KeyReport::kNothing;
  if (keystrokeFlags & kTransitionUp) return KeyReport::kKeyUp;
  if (keystrokeFlags & kPreviousStateDown) return KeyReport::kNothing;  // auto-repeat
  return KeyReport::kKeyDown;
}

}  // namespace bimbly::keylock
