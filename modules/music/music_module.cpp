// Exports of Music.dll.
#include "modules/music/music_board.h"
#include "modules/common/module_exports.h"

namespace {
CBackGroundWnd* MakeBoard(HINSTANCE module, HWND host, const ModuleStartInfo& info) {
  return new CBackGroundWndMusic(module, host, info);
}
}  // namespace

extern "C" std::uint32_t __cdecl Initialize(HWND host, ModuleStartInfo* info) {
  return module_host::Initialize(host, info, &MakeBoard, &CBackGroundWndMusic::BackgroundFor);
}

extern "C" void __cdecl UnInitialize() { module_host::UnInitialize(); }
