// The updater's windows: the progress dialog, the consent prompt and the about box.
#pragma once

#include <string>

#include "framework/dialog.h"
#include "framework/handles.h"
#include "style/window_fade.h"
#include "updater/update/update_job.h"
#include "updater/update/updater_look.h"

class CAboutDlg : public fw::CDialog {
 public:
  CAboutDlg(int style, HICON icon);

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  FW_DECLARE_MESSAGE_MAP()

 private:
  LRESULT OnEraseBackground(WPARAM wParam, LPARAM);
  LRESULT OnControlColour(WPARAM wParam, LPARAM);
  int style_;
  HICON icon_;
  CUpdaterSkin skin_;
  WindowFade fade_;
};

// "更新提示": asks before the running launcher is closed.
class CCloseMainDlg : public fw::CDialog {
 public:
  CCloseMainDlg();
};

class CUpdateDlg : public fw::CDialog {
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
  LRESULT OnEraseBackground(WPARAM wParam, LPARAM);
  LRESULT OnControlColour(WPARAM wParam, LPARAM);
  LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
  LRESULT OnQueryDragIcon(WPARAM, LPARAM);

  UpdateJob* job_;
  std::wstring status_, detail_;
  std::wstring shownStatus_, shownDetail_;
  int shownProgress_ = -1;
  int style_ = 0;
  CUpdaterSkin skin_;
  WindowFade fade_;
  HICON icon_ = nullptr;
};
