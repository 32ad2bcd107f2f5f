// Exports of the six picture-card libraries.
#include "modules/cards/cards_board.h"
#include "modules/cards/deck_tables.h"
#include "modules/common/background_names.h"
#include "modules/common/module_exports.h"

namespace {
CBackGroundWnd* MakeBoard(HINSTANCE module, HWND host, const ModuleStartInfo& info) {
  return new CBackGroundWndPicCards(module, host, info, deck::Recipes());
}
std::wstring BackgroundFor(int itemIndex) { return NumberedBackground(itemIndex, deck::kBackgroundCount); }
}  // namespace

extern "C" std::uint32_t __cdecl Initialize(HWND host, ModuleStartInfo* info) {
  return module_host::Initialize(host, info, &MakeBoard, &BackgroundFor);
}

extern "C" void __cdecl UnInitialize() { module_host::UnInitialize(); }
