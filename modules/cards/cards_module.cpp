// Exports of the six picture-card libraries.
#include "modules/cards/cards_board.h"
#include "modules/cards/deck_tables.h"
#include "modules/common/background_names.h"

namespace {
CBackGroundWnd* MakeBoard(HINSTANCE module, HWND host, const ModuleStartInfo& info) {
  return new CBackGroundWndPicCards(module, host, info);
}
}  // namespace

extern "C" std::uint32_t __cdecl Initialize(HWND host, ModuleStartInfo* info) {
  const std::wstring background = info ? NumberedBackground(info->itemIndex, deck::kBackgroundCount) : L"";
  return module_host::Initialize(host, info, &MakeBoard, background.empty() ? nullptr : background.c_str());
}

extern "C" void __cdecl UnInitialize() { module_host::UnInitialize(); }
