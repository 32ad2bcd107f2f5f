// What every module's exports do, around its board class: Initialize makes
// and starts the module's one board, UnInitialize destroys it before the host
// frees the library.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "contracts/module_contract.h"
#include "modules/common/background_wnd.h"

namespace module_host {
// Creates the board through `make` and starts it with the background that
// `background` names for its item index (empty: none, the board stays black).
// Returns the board window as the export's 32-bit value, 0 when none exists.
using BoardFactory = CBackGroundWnd* (*)(HINSTANCE module, HWND host, const ModuleStartInfo& info);
using BackgroundChooser = std::wstring (*)(int itemIndex);
std::uint32_t Initialize(HWND host, ModuleStartInfo* info, BoardFactory make, BackgroundChooser background);
void UnInitialize();
}  // namespace module_host
