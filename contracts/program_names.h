// The names the programs of the suite know each other by at run time: the
// named mutexes that mark a running launcher, an open game, the updater and
// the update helper. The installer tests the same four (installer/bimbly.nsi).
#pragma once

namespace contracts {

inline constexpr wchar_t kLauncherMutex[] = L"TobbleBabyMain";
inline constexpr wchar_t kGameMutex[] = L"TobbleBabyPlaying";
inline constexpr wchar_t kUpdaterMutex[] = L"TobbleBabyUpdate";
inline constexpr wchar_t kHelperMutex[] = L"TobbleBabyUpdateHelp";

}  // namespace contracts
