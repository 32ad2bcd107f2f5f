// Whether a play module can serve a game: its file loads by its bare name and
// it exports Initialize. The module is unloaded again before returning.
#pragma once

#include "framework/handles.h"

namespace gamehost {

bool PlayModuleLoads(const char* moduleFile);

// The same probe, keeping the module loaded (null when it does not serve): a
// switch holds it while the old board goes, so that a module shared by the
// old and the new item is not unloaded and loaded again, and a new one is
// loaded only once.
fw::UniqueModule ProbePlayModule(const char* moduleFile);

}  // namespace gamehost
