#include "modules/common/module_exports.h"

#include <cwchar>
#include <memory>

#include "core/runtime_reserve.h"
#include "framework/stopwatch.h"
#include "framework/window.h"
#include "modules/common/background_cache.h"
#include "toolkit/image_wnd.h"

namespace module_host {
namespace {
// The module's one board; Initialize and UnInitialize run on the host's thread.
std::unique_ptr<CBackGroundWnd> g_board;
}  // namespace

std::uint32_t Initialize(HWND host, ModuleStartInfo* info, BoardFactory make, BackgroundChooser background) {
  if (!info || !make || !background) return 0;
  try {
    UnInitialize();  // a host never calls twice, but a second board must not leak the first
    fw::Stopwatch watch;
    g_board.reset(make(fw::ThisModule(), host, *info));
    if (!g_board) return 0;
    const double made = watch.Lap();
    g_board->DrawAheadAfterFirstPaint({background(info->itemIndex + 1), background(info->itemIndex - 1)});
    HWND board = g_board->Start(background(info->itemIndex));
    if (!board) {
      UnInitialize();
      return 0;
    }
    const double started = watch.Lap();
    if (!g_board->OnBoardShown()) {
      UnInitialize();
      return 0;
    }
    wchar_t account[128];
    swprintf(account, 128, L"Board up: made %.1f ms, background shown %.1f ms, set up %.1f ms\n", made, started,
             watch.Lap());
    ::OutputDebugStringW(account);
    return static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(board));
  } catch (...) {
    // Nothing crosses the library boundary.
    g_board.reset();
    return 0;
  }
}

void UnInitialize() {
  fw::Stopwatch watch;
  if (g_board) g_board->StopTakingKeys();
  const bool hadBoard = g_board != nullptr;
  g_board.reset();
  // Once the board, which starts it, is gone.
  board_backgrounds::StopDrawingAhead();
  // Pictures decoded ahead for a board that did not come.
  CImageWnd::LetGoDecodedAhead();
  // The library may be unloaded next; its window classes must not outlive it.
  fw::CWnd::UnregisterClasses();
  if (hadBoard) {
    wchar_t account[64];
    swprintf(account, 64, L"Board gone: %.1f ms\n", watch.Lap());
    ::OutputDebugStringW(account);
  }
}
}  // namespace module_host

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // Only when freed by the host; at process end nothing needs giving back.
  if (reason == DLL_PROCESS_DETACH && !reserved) {
    // Pictures decoded ahead by a drawing-ahead thread that outlived
    // UnInitialize's wait for it.
    CImageWnd::LetGoDecodedAhead();
    bimbly::GiveBackRuntimeReserve();
  }
  return TRUE;
}
