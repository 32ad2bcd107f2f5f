// The small notice that slides out of the taskbar, stays ten seconds and
// slides back; closing it ends the update helper.
#pragma once

#include <string>

#include "core/notice_slide.h"
#include "framework/handles.h"
#include "framework/window.h"

// The update helper's closing notice over the taskbar.
class CTaskbarNotifier : public fw::CWnd {
 public:
  enum State { kIdle = 0, kAppearing = 1, kWaiting = 2, kDisappearing = 3 };

  bool CreateNoticeWindow();
  bool LoadNoticeSkin(UINT bitmapId);
  void SetNoticeFont();
  void SetTextColour(COLORREF colour) { textColour_ = colour; }
  void SetTextRect(const RECT& rc) { textRect_ = rc; }
  void ShowNotice(const std::wstring& text);

  int skinWidth() const { return skinWidth_; }
  int skinHeight() const { return skinHeight_; }
  State state() const { return state_; }

 protected:
  FW_DECLARE_MESSAGE_MAP()

 private:
  int OnCreate(CREATESTRUCTW*);
  LRESULT OnMouseMove(WPARAM, LPARAM);
  LRESULT OnMouseHover(WPARAM, LPARAM);
  LRESULT OnMouseLeave(WPARAM, LPARAM);
  LRESULT OnSetCursor(WPARAM, LPARAM);
  LRESULT OnEraseBackground(WPARAM, LPARAM);
  void OnPaint();
  void OnTimer(UINT_PTR id);
  void OnDestroy();
  void Hide();
  void MoveToCurrent();
  void StartTimer(UINT_PTR id, UINT ms);

  fw::UniqueFont font_;
  COLORREF textColour_ = RGB(0, 0, 0);
  HCURSOR hand_ = nullptr;
  fw::UniqueBitmap skin_;
  RECT textRect_{};
  int skinWidth_ = 0, skinHeight_ = 0;
  std::wstring caption_;
  bool mouseOver_ = false;
  State state_ = kIdle;
  UINT timeToShow_ = 500, timeToStay_ = 10000, timeToHide_ = 500;
  // Where it starts, by which edge, and the timer period of one step.
  bimbly::notice::Slide slide_;
  int currentX_ = 0, currentY_ = 0;
  int increment_ = 2;
};
