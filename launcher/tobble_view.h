// The item list on the right of the main window.
#pragma once

#include "framework/app.h"

class CTobbleView : public fw::CControlView {
 public:
  bool Create(HWND parent, UINT id, SIZE initial);
  // Starts the first selected item; tells the user when nothing startable is selected.
  void StartSelectedItem();
};
