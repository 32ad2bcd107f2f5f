// The picture-card board, one source for the six decks: copies of the item's
// picture fly across the scene with its sounds.
#pragma once

#include "modules/common/background_wnd.h"

class CBackGroundWndPicCards : public CBackGroundWnd {
 public:
  using CBackGroundWnd::CBackGroundWnd;

 protected:
  void OnBoardKeyDown(UINT key, UINT flags) override;
};

// The board class under each deck's own name.
using CBackGroundWndPicInsect = CBackGroundWndPicCards;
using CBackGroundWndPicBird = CBackGroundWndPicCards;
using CBackGroundWndPicTraff = CBackGroundWndPicCards;
using CBackGroundWndPicAnimal = CBackGroundWndPicCards;
using CBackGroundWndPicPet = CBackGroundWndPicCards;
using CBackGroundWndPicSea = CBackGroundWndPicCards;
