#include "modules/carlogo/carlogo_board.h"

CBackGroundWndPicCarLogo::CBackGroundWndPicCarLogo(HINSTANCE module, HWND host, const ModuleStartInfo& info)
    : CBackGroundWnd(module, host, info) {}

CBackGroundWndPicCarLogo::~CBackGroundWndPicCarLogo() { DestroyImageWindow(); }

void CBackGroundWndPicCarLogo::OnBoardKeyDown(UINT, UINT) {}
