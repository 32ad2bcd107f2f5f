// How long a key-down may wait in a board's queue before the board lets it
// go. Platform-free so that the rule is tested on its own; the board window
// applies it to the keys it takes from its queue.
#pragma once

#include <cstdint>

namespace bimbly {

// A board that holds its thread for a while per key (a pulse: 100-400 ms)
// drops, when its turn comes, a key-down that has waited longer than this:
// later than a second a child no longer links the call to the key, and a
// mashed backlog would keep the board, its menu and a switch waiting for minutes.
inline constexpr std::uint32_t kKeyBacklogMs = 1000;

// True when a key queued at `queuedTick` has waited longer than `boundMs` by
// `nowTick` (ticks of the same wrapping millisecond clock). A queue time
// after `nowTick` counts as no wait.
constexpr bool KeyWaitedTooLong(std::uint32_t queuedTick, std::uint32_t nowTick, std::uint32_t boundMs) {
  const std::uint32_t waited = nowTick - queuedTick;
  return waited < 0x80000000u && waited > boundMs;
}

}  // namespace bimbly
