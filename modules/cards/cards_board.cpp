#include "modules/cards/cards_board.h"

CBackGroundWndPicCards::CBackGroundWndPicCards(HINSTANCE module, HWND host, const ModuleStartInfo& info)
    : CBackGroundWnd(module, host, info) {}

CBackGroundWndPicCards::~CBackGroundWndPicCards() { DestroyImageWindow(); }

void CBackGroundWndPicCards::OnBoardKeyDown(UINT, UINT) {}
