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

void TrackModifiers(HeldModifiers& held, std::uint32_t virtualKey, bool up) {
  switch (virtualKey) {
    case 0x11:  // Control, left and right
    case 0xA2:
    case 0xA3:
      held.control = !up;
      break;
    case 0x12:  // Alt, left and right
    case 0xA4:
    case 0xA5:
      held.alt = !up;
      break;
    default:
      break;
  }
}

KeyReport ReportForKeystroke(int hookCode, std::uint32_t keystrokeFlags) {
  if (hookCode < 0) return KeyReport::kNothing;
  if (keystrokeFlags & kTransitionUp) return KeyReport::kKeyUp;
  if (keystrokeFlags & kPreviousStateDown) return KeyReport::kNothing;  // auto-repeat
  return KeyReport::kKeyDown;
}

}  // namespace bimbly::keylock
