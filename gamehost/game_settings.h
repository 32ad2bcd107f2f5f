// The settings a game reads when it starts.
#pragma once

namespace gamehost {

// Remind flag ("Remind" exactly "y") and time limit in minutes (at most a
// day; 0 means the time is up at once) of this game.
struct GameSettings {
  bool remind;
  unsigned timeLimitMinutes;
};
GameSettings ReadGameSettings();

}  // namespace gamehost
