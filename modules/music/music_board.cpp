#include "modules/music/music_board.h"

CBackGroundWndMusic::CBackGroundWndMusic(HINSTANCE module, HWND host, const ModuleStartInfo& info)
    : CBackGroundWnd(module, host, info) {
  // The stage is drawn opaque.
  layered = false;
  colorKeyOn = false;
  colorKey = 0;
}

std::wstring CBackGroundWndMusic::BackgroundFor(int itemIndex) {
  // Piano, sax, cello, trumpet, trombone and bell share the concert stage.
  static const wchar_t* const kBackgrounds[] = {
      L"BACK1", L"BACK2", L"BACK3", L"BACK3", L"BACK1", L"BACK1", L"BACK4",
      L"BACK5", L"BACK5", L"BACK1", L"BACK1", L"BACK6", L"BACK1",
  };
  if (itemIndex < 0 || itemIndex >= static_cast<int>(std::size(kBackgrounds))) return std::wstring();
  return kBackgrounds[itemIndex];
}

void CBackGroundWndMusic::OnBoardKeyDown(UINT, UINT) {}
