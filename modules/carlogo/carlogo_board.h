// The car-badge board: the keys step through invented car badges.
#pragma once

#include "modules/common/background_wnd.h"

class CBackGroundWndPicCarLogo : public CBackGroundWnd {
 public:
  static constexpr int kBackgroundCount = 5;

  using CBackGroundWnd::CBackGroundWnd;

 protected:
  void OnBoardKeyDown(UINT key, UINT flags) override;
};
