#include "gamehost/game_settings.h"

#include <cstdint>

#include "core/play_time.h"
#include "settings/settings_store.h"

namespace gamehost {

GameSettings ReadGameSettings() {
  const std::wstring config = settings::GetConfigFilePath();
  // Read as the platform's unsigned profile number ("-1" is then huge), held
  // to at most a day so that the timer's period cannot wrap.
  const auto minutes = static_cast<std::uint32_t>(settings::ReadTimeLimitMinutes(config));
  return GameSettings{settings::ReadRemindOn(config), bimbly::ClampTimeLimitMinutes(minutes),
                      settings::ReadNameSpeaking(config)};
}

}  // namespace gamehost
