// The word an adult types to leave a game.
#pragma once

#include <string_view>

namespace bimbly {

inline constexpr wchar_t kExitWord[] = L"exit";

// Exactly "exit": lowercase, no blanks, nothing else.
inline bool IsExitWord(std::wstring_view typed) { return typed == kExitWord; }

// The exit dialog's countdown: seconds shown after a tick, or -1 when the
// tick cancels the dialog. The label counts 9 to 0; the eleventh tick cancels.
inline int CountdownAfterTick(int& secondsLeft) {
  const int taken = secondsLeft--;
  return taken > 0 ? secondsLeft : -1;
}

}  // namespace bimbly
