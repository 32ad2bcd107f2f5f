// The music board: notes for every key, drawn over an opaque stage.
#pragma once

#include <string>

#include "modules/common/background_wnd.h"

class CBackGroundWndMusic : public CBackGroundWnd {
 public:
  CBackGroundWndMusic(HINSTANCE module, HWND host, const ModuleStartInfo& info);

  // Background of an item index; empty for an index the table does not list.
  static std::wstring BackgroundFor(int itemIndex);

 protected:
  void OnBoardKeyDown(UINT key, UINT flags) override;
};
