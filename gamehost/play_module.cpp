#include "gamehost/play_module.h"

#include <windows.h>

#include "framework/handles.h"
#include "contracts/module_contract.h"

namespace gamehost {

bool PlayModuleLoads(const char* moduleFile) { return static_cast<bool>(ProbePlayModule(moduleFile)); }

fw::UniqueModule ProbePlayModule(const char* moduleFile) {
  if (!moduleFile) return fw::UniqueModule();
  fw::UniqueModule module(::LoadLibraryA(moduleFile));
  if (module && fw::GetExport<InitializeFn>(module.get(), kInitializeExport) != nullptr) return module;
  return fw::UniqueModule();
}

}  // namespace gamehost
