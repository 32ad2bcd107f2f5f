#include "modules/common/module_exports.h"

#include <memory>

#include "framework/window.h"

namespace module_host {
namespace {
// The module's one board; Initialize and UnInitialize run on the host's thread.
std::unique_ptr<CBackGroundWnd> g_board;
}  // namespace

std::uint32_t Initialize(HWND host, ModuleStartInfo* info, BoardFactory make, BackgroundChooser background) {
  if (!info || !make || !background) return 0;
  try {
    UnInitialize();  // a host never calls twice, but a second board must not leak the first
    g_board.reset(make(fw::ThisModule(), host, *info));
    if (!g_board) return 0;
    HWND board = g_board->Start(background(info->itemIndex));
    if (!board) {
      UnInitialize();
      return 0;
    }
    if (!g_board->OnBoardShown()) {
      UnInitialize();
      return 0;
    }
    return static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(board));
  } catch (...) {
    // Nothing crosses the library boundary.
    g_board.reset();
    return 0;
  }
}

void UnInitialize() {
  if (g_board) g_board->StopTakingKeys();
  g_board.reset();
  // The library may be unloaded next; its window classes must not outlive it.
  fw::CWnd::UnregisterClasses();
}
}  // namespace module_host
