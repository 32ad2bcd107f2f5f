#include "modules/cards/cards_board.h"

void CBackGroundWndPicCards::OnBoardKeyDown(UINT, UINT) {}
