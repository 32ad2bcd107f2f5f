// The launcher's main window: toolbar on top, status prompt at the bottom and
// the category tree beside the item list in a splitter.
#pragma once

#include "framework/app.h"
#include "framework/frame.h"
#include "framework/splitter.h"
#include "style/window_fade.h"

// The toolbar, built from dialog template 128.
class CDialogBarEx : public fw::CDialogBar {
 public:
  CDialogBarEx();

 protected:
  BOOL OnInitDialog() override;
};

// The status bar that paints its one prompt itself, centred.
class CStatusBarEx : public fw::CStatusBar {
  FW_DECLARE_MESSAGE_MAP()
 private:
  void OnPaint();
  LRESULT OnEraseBackground(WPARAM, LPARAM);
};

// The splitter between the tree and the list, with 10-pixel bars.
class CSplitterWndEx : public fw::CSplitterWnd {};

class CMainFrame : public fw::CFrameWnd {
 public:
  CSplitterWndEx& splitter() { return splitter_; }

 protected:
  bool OnCreateClient(CREATESTRUCTW* cs) override;
  FW_DECLARE_MESSAGE_MAP()

 private:
  int OnCreate(CREATESTRUCTW* cs);
  void OnPaint();
  void OnClose();
  void OnDestroy();
  void OnStart();
  void OnSettings();
  void OnUpdate();
  void OnHelp();
  void OnAbout();

  // Members in the order the frame's parts depend on each other.
  CSplitterWndEx splitter_;
  CStatusBarEx statusBar_;
  CDialogBarEx toolBar_;
  WindowFade fade_;
  bool fadePending_ = false;
};
