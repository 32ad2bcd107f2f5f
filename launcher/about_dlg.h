// The about box: the program's icon, its version and the maker's notice, on
// the about box the updater shares.
#pragma once

#include "style/about_box.h"

class CAboutDlg : public CAboutBox {
 public:
  CAboutDlg();
};
