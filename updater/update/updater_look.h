// The look of the updater's dialogs: the background picture of the run's
// style, stretched over the client area. A small stand-in that keeps the
// dialogs independent of how the launcher's skin and picture buttons are built.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "framework/handles.h"

class CUpdaterSkin {
 public:
  // Loads the style's background picture from the program's "IMAGE" resources.
  void SetStyle(int style, HWND owner);
  // Stretches the picture over the owner's client area; false when there is none.
  bool PaintBackground(HDC dc) const;

 private:
  HWND owner_ = nullptr;
  fw::ComPtr<IPicture> picture_;
};

// Buttons drawn over a picture: kept as plain push buttons here.
inline void SetTransparentButton(HWND) {}
