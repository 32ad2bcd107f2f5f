#include "gamehost/play_module.h"

#include <windows.h>

#include "framework/handles.h"
#include "contracts/module_contract.h"

namespace gamehost {

bool PlayModuleLoads(const char* moduleFile) {
  if (!moduleFile) return false;
  fw::UniqueModule module(::LoadLibraryA(moduleFile));
  return module && fw::GetExport<InitializeFn>(module.get(), kInitializeExport) != nullptr;
}

}  // namespace gamehost
