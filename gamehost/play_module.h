// Whether a play module can serve a game: its file loads by its bare name and
// it exports Initialize. The module is unloaded again before returning.
#pragma once

namespace gamehost {

bool PlayModuleLoads(const char* moduleFile);

}  // namespace gamehost
