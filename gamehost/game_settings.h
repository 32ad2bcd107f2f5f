// The settings a game reads when it starts.
#pragma once

#include "core/settings_rules.h"

namespace gamehost {

// Remind flag ("Remind" exactly "y") and time limit in minutes (at most a
// day; 0 means the time is up at once) of this game, and how names are read
// aloud, quiet mode included.
struct GameSettings {
  bool remind;
  unsigned timeLimitMinutes;
  bimbly::NameSpeaking naming;
};
GameSettings ReadGameSettings();

}  // namespace gamehost
