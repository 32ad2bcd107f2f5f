// How long a game may be played: the "TimeLimit" of config.ini, in minutes,
// turned into the period of the game window's timer.
#pragma once

#include <cstdint>

namespace bimbly {

// A day is the longest game; anything above (and a negative text, which the
// profile read hands over as a huge unsigned number) is held there, so that
// the period in milliseconds can never wrap 32 bits into a short game.
inline constexpr std::uint32_t kMaxTimeLimitMinutes = 1440;

inline constexpr std::uint32_t ClampTimeLimitMinutes(std::uint32_t readMinutes) {
  return readMinutes > kMaxTimeLimitMinutes ? kMaxTimeLimitMinutes : readMinutes;
}

// 0 minutes is a period of 0, which the platform raises to its shortest:
// the time is up at once.
inline constexpr std::uint32_t TimeLimitPeriodMs(std::uint32_t minutes) {
  return ClampTimeLimitMinutes(minutes) * 60000u;
}

}  // namespace bimbly
