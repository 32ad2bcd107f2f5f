// The category tree on the left of the main window.
#pragma once

#include "framework/app.h"

class CLeftView : public fw::CControlView {
 public:
  bool Create(HWND parent, UINT id, SIZE initial);
};
