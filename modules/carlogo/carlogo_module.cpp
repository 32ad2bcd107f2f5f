// Exports of DeckCarLogo.dll.
#include "modules/carlogo/carlogo_board.h"
#include "modules/common/background_names.h"
#include "modules/common/module_exports.h"

namespace {
CBackGroundWnd* MakeBoard(HINSTANCE module, HWND host, const ModuleStartInfo& info) {
  return new CBackGroundWndPicCarLogo(module, host, info);
}
std::wstring BackgroundFor(int itemIndex) {
  return NumberedBackground(itemIndex, CBackGroundWndPicCarLogo::kBackgroundCount);
}
}  // namespace

extern "C" std::uint32_t __cdecl Initialize(HWND host, ModuleStartInfo* info) {
  return module_host::Initialize(host, info, &MakeBoard, &BackgroundFor);
}

extern "C" void __cdecl UnInitialize() { module_host::UnInitialize(); }
