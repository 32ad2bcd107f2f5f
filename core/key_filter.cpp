#include "core/key_filter.h"

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

namespace {
bool IsControl(std::uint32_t vk) { return vk == 0x11 || vk == 0xA2 || vk == 0xA3; }  // either side
bool IsAlt(std::uint32_t vk) { return vk == 0x12 || vk == 0xA4 || vk == 0xA5; }
}  // namespace

bool TrackModifiers(HeldModifiers& held, std::uint32_t virtualKey, bool up) {
  if (IsControl(virtualKey)) {
    held.control = !up;
    return true;
  }
  if (IsAlt(virtualKey)) {
    held.alt = !up;
    return true;
  }
  return false;
}

void ReconcileModifiers(HeldModifiers& held, std::uint32_t eventKey, bool controlDown, bool altDown) {
  if (!IsControl(eventKey) && !controlDown) held.control = false;
  if (!IsAlt(eventKey) && !altDown) held.alt = false;
}

bool LowLevelHookMissedKeys(std::uint32_t systemLastInput, std::uint32_t lowLevelLastEvent,
                            std::uint32_t keystrokesSeen, std::uint32_t lowLevelPassed) {
  const bool inputAfterLastEvent = static_cast<std::int32_t>(systemLastInput - lowLevelLastEvent) > 0;
  return inputAfterLastEvent && keystrokesSeen > 0 && lowLevelPassed == 0;
}

KeyReport ReportForKeystroke(int hookCode, std::uint32_t keystrokeFlags) {
  if (hookCode < 0) return KeyReport::kNothing;
  if (keystrokeFlags & kTransitionUp) return KeyReport::kKeyUp;
  if (keystrokeFlags & kPreviousStateDown) return KeyReport::kNothing;  // auto-repeat
  return KeyReport::kKeyDown;
}

}  // namespace bimbly::keylock
