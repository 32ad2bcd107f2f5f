// The about box: the program's icon, its version and the maker's notice.
#pragma once

#include "framework/dialog.h"
#include "style/button_st.h"
#include "style/skin.h"
#include "style/window_fade.h"

class CAboutDlg : public fw::CDialog, public CSkin {
 public:
  CAboutDlg();

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  FW_DECLARE_MESSAGE_MAP()

 private:
  HWND versionLabel_ = nullptr;
  WindowFade fade_;
  CButtonST okButton_;
  CButtonST iconButton_;
};
