// The updater's windows: the progress dialog, the consent prompt and the about box.
#pragma once

#include <string>

#include "framework/dialog.h"
#include "framework/handles.h"
#include "style/about_box.h"
#include "style/button_st.h"
#include "style/skin.h"
#include "style/window_fade.h"
#include "updater/update/update_job.h"

class CAboutDlg : public CAboutBox {
 public:
  explicit CAboutDlg(int style);
};

// "更新提示": asks before the running launcher is closed.
class CCloseMainDlg : public fw::CDialog {
 public:
  CCloseMainDlg();
};

// The updater's progress dialog.
class CUpdateDlg : public fw::CDialog, public CSkin {
 public:
  explicit CUpdateDlg(UpdateJob* job);

 protected:
  BOOL OnInitDialog() override;
  void OnCancel() override;
  FW_DECLARE_MESSAGE_MAP()

 private:
  void OnTimer(UINT_PTR id);
  void OnClose();
  void OnPaint();
  LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
  LRESULT OnQueryDragIcon(WPARAM, LPARAM);

  UpdateJob* job_;
  std::wstring status_, detail_;
  std::wstring shownStatus_, shownDetail_;
  int shownProgress_ = -1;
  CButtonST cancelButton_;
  int style_ = 0;
  WindowFade fade_;
  fw::UniqueIcon icon_;
};
