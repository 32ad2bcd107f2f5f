// The about box of the launcher and of the updater: a dialog template with a
// picture button that shows the program's icon, an OK button, the skin of
// the run and the fade. Each program gives its template, icon and the text
// it adds to its version label.
#pragma once

#include <string>

#include "framework/dialog.h"
#include "style/button_st.h"
#include "style/skin.h"
#include "style/window_fade.h"

class CAboutBox : public fw::CDialog, public CSkin {
 public:
  struct Parts {
    UINT templateId = 0;
    UINT pictureId = 0;        // the disabled picture button
    HICON icon = nullptr;      // shown on it
    UINT versionLabelId = 0;   // 0: none; else `versionText` is appended to it
    std::wstring versionText;
    int style = 0;             // the style of the run
  };
  explicit CAboutBox(Parts parts);

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  FW_DECLARE_MESSAGE_MAP()

 private:
  Parts parts_;
  WindowFade fade_;
  CButtonST okButton_;
  CButtonST pictureButton_;
};
