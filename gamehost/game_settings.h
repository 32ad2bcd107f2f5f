// The settings a game reads when it starts.
#pragma once

namespace gamehost {

// Remind flag and time limit of this game.
struct GameSettings {
  bool remind;
  unsigned timeLimitMinutes;
};
GameSettings ReadGameSettings();

}  // namespace gamehost
