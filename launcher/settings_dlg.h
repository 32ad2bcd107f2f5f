// The settings dialog behind the toolbar's Settings button: hints, play
// time, software update, interface style, the language names are read in and
// quiet mode, written to config.ini on OK; and the way to the family dialog.
#pragma once

#include <string>

#include "framework/dialog.h"
#include "style/button_st.h"
#include "style/skin.h"
#include "style/window_fade.h"

// The launcher's settings dialog.
class CSettingDlg : public fw::CDialog, public CSkin {
 public:
  CSettingDlg();

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void DoDataExchange(fw::DataExchange& dx) override;
  FW_DECLARE_MESSAGE_MAP()

 private:
  void OnStyleAuto();
  void OnStyleManual();
  void OnFamily();
  int StyleListSelection() const;

  WindowFade fade_;
  CButtonST okButton_;
  CButtonST cancelButton_;
  CButtonST familyButton_;
  int updateChoice_ = 0;  // 0 automatic, 1 manual
  int hints_ = 1;
  std::wstring timeLimitText_;
  int styleChoice_ = 0;  // 0 automatic daily, 1 manual
  int initialStyleChoice_ = 0;
  int initialStyleIndex_ = 0;
  int speakChoice_ = 0;  // 0 Chinese, 1 English, 2 both (the SpeakLanguage numbers)
  int quiet_ = 0;
};
