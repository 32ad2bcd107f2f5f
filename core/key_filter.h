// Which keystrokes the keyboard lock throws away and what it reports to the
// game window. Platform-free so that the rules are tested on their own; the
// hooks that apply them live in keyboard_lock.cpp.
#pragma once

#include <cstdint>

namespace bimbly::keylock {

// Virtual-key codes and flag bits of the platform's keyboard interface that
// the rules look at.
inline constexpr std::uint32_t kVkTab = 0x09;
inline constexpr std::uint32_t kVkShift = 0x10;
inline constexpr std::uint32_t kVkControl = 0x11;
inline constexpr std::uint32_t kVkAlt = 0x12;
inline constexpr std::uint32_t kVkLeftShift = 0xA0;
inline constexpr std::uint32_t kVkRightShift = 0xA1;
inline constexpr std::uint32_t kVkLeftControl = 0xA2;
inline constexpr std::uint32_t kVkRightControl = 0xA3;
inline constexpr std::uint32_t kVkLeftAlt = 0xA4;
inline constexpr std::uint32_t kVkRightAlt = 0xA5;
inline constexpr std::uint32_t kVkEscape = 0x1B;
inline constexpr std::uint32_t kVkLeftWindows = 0x5B;
inline constexpr std::uint32_t kVkRightWindows = 0x5C;
inline constexpr std::uint32_t kVkF1 = 0x70;
inline constexpr std::uint32_t kVkF12 = 0x7B;
inline constexpr std::uint32_t kLowLevelAltDown = 0x20;        // flag of a low-level keyboard event
inline constexpr std::uint32_t kPreviousStateDown = 1u << 30;  // keystroke flags of the keyboard hook
inline constexpr std::uint32_t kTransitionUp = 1u << 31;

// True when a low-level keyboard event (down or up) is one of the system
// shortcuts that would take the child out of the game, or F1/F12.
// `controlDown` and `altDown` are the asynchronous states of the Control and
// Alt keys. Alt counts as held when either the event's Alt flag or `altDown`
// says so: Wine never sets the flag, and on Windows the two agree.
bool IsDiscardedLowLevelKey(std::uint32_t virtualKey, std::uint32_t lowLevelFlags, bool controlDown, bool altDown);

// Control and Alt as the low-level hook has seen them go down and up. The
// asynchronous key state can lag behind the hook's own events (seen under
// Wine), so the hook keeps its own record as well.
struct HeldModifiers {
  bool control = false;
  bool alt = false;
};

// Updates the record with one low-level event (`up`: a key-up); true when
// the key is Control or Alt.
bool TrackModifiers(HeldModifiers& held, std::uint32_t virtualKey, bool up);

// Clears what the record holds but the real key state (`controlDown`,
// `altDown`) says is up, except for the modifier of `eventKey` itself, whose
// real state lags behind its own event (0: check both). A missed key-up (a
// dropped hook, a thread that stalled beyond the hook time-out) would
// otherwise turn every later Escape into Control+Escape. A record is never
// set from the real state: that is the lagging side.
void ReconcileModifiers(HeldModifiers& held, std::uint32_t eventKey, bool controlDown, bool altDown);

// Keystrokes that the low-level hook passed on, waiting for the keyboard
// hook to take them. The keyboard hook sees a keystroke only when the thread
// that has the focus takes it from its queue, which may be seconds after the
// low-level hook passed it on: that thread may be a board's, busy with the
// keys before (a pulse holds it 100-400 ms per key). Keeping the keystrokes
// themselves, in order, not a count per interval, tells a late keystroke from
// one that went past a dropped hook however far behind the focused thread is.
// Left and right modifiers count as the same key, as the keyboard hook sees
// them.
// The order can break at a focus change between two threads of the game:
// keystrokes that reached the queue of the thread that lost the focus are
// taken after later ones that the new thread took first. Keystrokes passed
// over by a later one are therefore kept aside for a check or two before they
// count as never taken.
class PassedKeys {
 public:
  static constexpr unsigned kCapacity = 4096;
  static constexpr unsigned kAsideCapacity = 256;
  // Checks (Age calls) that a keystroke passed over stays taken late.
  static constexpr unsigned kAsideChecks = 2;

  void Passed(std::uint32_t virtualKey, bool up);
  // False when no such keystroke was passed on. Older keystrokes still
  // waiting are set aside; those set aside for kAsideChecks checks were never
  // taken (another program had the focus, or the queue they were in went
  // with its window) and are let go.
  bool Taken(std::uint32_t virtualKey, bool up);
  // One check of the watchdog has passed.
  void Age();
  void Clear() { count_ = asideCount_ = outOfTurn_ = 0; }
  unsigned size() const { return count_; }
  // Keystrokes taken out of turn (from those set aside) since the last call.
  unsigned TakeOutOfTurn() {
    const unsigned n = outOfTurn_;
    outOfTurn_ = 0;
    return n;
  }

 private:
  struct Entry {
    std::uint32_t key;
    bool up;
    unsigned checks;  // aside only: checks passed since it was set aside
  };
  void DropOldest(unsigned n);
  void SetAside(const Entry& entry);
  Entry entries_[kCapacity] = {};
  unsigned first_ = 0;
  unsigned count_ = 0;
  Entry aside_[kAsideCapacity] = {};  // oldest first
  unsigned asideCount_ = 0;
  unsigned outOfTurn_ = 0;
};

// The hook watchdog's rule, checked at intervals: the system has dropped the
// low-level hook when the keyboard hook took keystrokes since the last check
// that the low-level hook never passed on, and the system saw input after the
// low-level hook's last event (ticks of the same clock, wrapping).
bool LowLevelHookMissedKeys(std::uint32_t systemLastInput, std::uint32_t lowLevelLastEvent,
                            std::uint32_t keystrokesMissed);

enum class KeyReport { kNothing, kKeyDown, kKeyUp };

// What the keyboard hook reports for one keystroke. Every keystroke is
// swallowed whatever the answer; a negative hook code and an auto-repeat
// report nothing, so a held key yields only its first key-down.
KeyReport ReportForKeystroke(int hookCode, std::uint32_t keystrokeFlags);

}  // namespace bimbly::keylock
