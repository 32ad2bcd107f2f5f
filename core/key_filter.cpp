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

namespace {
std::uint32_t SidelessKey(std::uint32_t virtualKey) {
  switch (virtualKey) {
    case kVkLeftShift:
    case kVkRightShift:
      return kVkShift;
    case kVkLeftControl:
    case kVkRightControl:
      return kVkControl;
    case kVkLeftAlt:
    case kVkRightAlt:
      return kVkAlt;
    default:
      return virtualKey;
  }
}
}  // namespace

void PassedKeys::DropOldest(unsigned n) {
  if (n > count_) n = count_;
  first_ = (first_ + n) % kCapacity;
  count_ -= n;
}

void PassedKeys::Passed(std::uint32_t virtualKey, bool up) {
  if (count_ == kCapacity) DropOldest(1);
  entries_[(first_ + count_) % kCapacity] = Entry{SidelessKey(virtualKey), up, 0};
  ++count_;
}

void PassedKeys::SetAside(const Entry& entry) {
  if (asideCount_ == kAsideCapacity) {
    for (unsigned i = 1; i < asideCount_; ++i) aside_[i - 1] = aside_[i];
    --asideCount_;
  }
  aside_[asideCount_++] = Entry{entry.key, entry.up, 0};
}

bool PassedKeys::Taken(std::uint32_t virtualKey, bool up) {
  const std::uint32_t key = SidelessKey(virtualKey);
  for (unsigned i = 0; i < count_; ++i) {
    const Entry& e = entries_[(first_ + i) % kCapacity];
    if (e.key == key && e.up == up) {
      // Only the newest of a long run passed over could still fit aside.
      for (unsigned j = i > kAsideCapacity ? i - kAsideCapacity : 0; j < i; ++j)
        SetAside(entries_[(first_ + j) % kCapacity]);
      DropOldest(i + 1);
      return true;
    }
  }
  for (unsigned i = 0; i < asideCount_; ++i) {
    if (aside_[i].key == key && aside_[i].up == up) {
      for (unsigned j = i + 1; j < asideCount_; ++j) aside_[j - 1] = aside_[j];
      --asideCount_;
      ++outOfTurn_;
      return true;
    }
  }
  return false;
}

void PassedKeys::Age() {
  unsigned kept = 0;
  for (unsigned i = 0; i < asideCount_; ++i)
    if (++aside_[i].checks < kAsideChecks) aside_[kept++] = aside_[i];
  asideCount_ = kept;
}

bool LowLevelHookMissedKeys(std::uint32_t systemLastInput, std::uint32_t lowLevelLastEvent,
                            std::uint32_t keystrokesMissed) {
  const bool inputAfterLastEvent = static_cast<std::int32_t>(systemLastInput - lowLevelLastEvent) > 0;
  return inputAfterLastEvent && keystrokesMissed > 0;
}

KeyReport ReportForKeystroke(int hookCode, std::uint32_t keystrokeFlags) {
  if (hookCode < 0) return KeyReport::kNothing;
  if (keystrokeFlags & kTransitionUp) return KeyReport::kKeyUp;
  if (keystrokeFlags & kPreviousStateDown) return KeyReport::kNothing;  // auto-repeat
  return KeyReport::kKeyDown;
}

}  // namespace bimbly::keylock
