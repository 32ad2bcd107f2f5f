// The launcher's main window: toolbar on top, status prompt at the bottom and
// the category tree beside the item list in a splitter.
#pragma once

#include "framework/app.h"
#include "framework/frame.h"
#include "framework/splitter.h"
#include "style/button_st.h"
#include "style/skin.h"
#include "style/window_fade.h"

// The toolbar, built from dialog template 128: five picture buttons and the
// banner over the style's background picture.
class CDialogBarEx : public fw::CDialogBar, public CSkin {
 public:
  CDialogBarEx();

 protected:
  BOOL OnInitDialog() override;
  FW_DECLARE_MESSAGE_MAP()

 private:
  void OnSize(UINT type, int cx, int cy);

  CButtonST buttons_[6];  // controls 1000-1005; the last is the banner
};

// The status bar that paints its one prompt itself, centred, over the
// style's background picture.
class CStatusBarEx : public fw::CStatusBar, public CSkin {
 public:
  bool CreateBar(HWND frame);
  FW_DECLARE_MESSAGE_MAP()
 private:
  void OnPaint();
  LRESULT OnEraseBackground(WPARAM, LPARAM);
};

// The splitter between the tree and the list, with 10-pixel bars in the
// style's colours.
class CSplitterWndEx : public fw::CSplitterWnd, public CSkin {
 protected:
  void OnDrawSplitter(HDC dc, Element element, const RECT& rect) override;
};

// The launcher's main window: toolbar, splitter with tree and list, status bar.
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
