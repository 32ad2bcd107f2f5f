#include "gamehost/play_module.h"

#include <windows.h>

#include "framework/handles.h"
#include "modules/common/module_contract.h"

bool PlayModuleLoads(const char* moduleFile) {
  if (!moduleFile) return false;
  fw::UniqueModule module(::LoadLibraryA(moduleFile));
  return module && GetExport<InitializeFn>(module.get(), kInitializeExport) != nullptr;
}
