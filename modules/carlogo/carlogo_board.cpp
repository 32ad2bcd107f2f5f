#include "modules/carlogo/carlogo_board.h"

void CBackGroundWndPicCarLogo::OnBoardKeyDown(UINT, UINT) {}
