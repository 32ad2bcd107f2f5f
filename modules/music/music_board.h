// The music board: notes for every key, drawn over an opaque stage.
#pragma once

#include "modules/common/background_wnd.h"

class CBackGroundWndMusic : public CBackGroundWnd {
 public:
  CBackGroundWndMusic(HINSTANCE module, HWND host, const ModuleStartInfo& info);
  ~CBackGroundWndMusic() override;

  // Background of an item index, or null for an index the table does not list.
  static const wchar_t* BackgroundFor(int itemIndex);

 protected:
  void OnBoardKeyDown(UINT key, UINT flags) override;
};
