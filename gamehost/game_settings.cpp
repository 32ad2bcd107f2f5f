#include "gamehost/game_settings.h"

#include "settings/settings_store.h"

namespace gamehost {

GameSettings ReadGameSettings() {
  const std::wstring config = settings::GetConfigFilePath();
  return GameSettings{settings::ReadRemindOn(config), static_cast<unsigned>(settings::ReadTimeLimitMinutes(config))};
}

}  // namespace gamehost
