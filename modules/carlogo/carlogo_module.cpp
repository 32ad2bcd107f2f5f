// Exports of DeckCarLogo.dll.
#include "modules/carlogo/carlogo_board.h"
#include "modules/common/background_names.h"

namespace {
CBackGroundWnd* MakeBoard(HINSTANCE module, HWND host, const ModuleStartInfo& info) {
  return new CBackGroundWndPicCarLogo(module, host, info);
}
}  // namespace

extern "C" std::uint32_t __cdecl Initialize(HWND host, ModuleStartInfo* info) {
  const std::wstring background =
      info ? NumberedBackground(info->itemIndex, CBackGroundWndPicCarLogo::kBackgroundCount) : L"";
  return module_host::Initialize(host, info, &MakeBoard, background.empty() ? nullptr : background.c_str());
}

extern "C" void __cdecl UnInitialize() { module_host::UnInitialize(); }
