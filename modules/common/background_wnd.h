// The board every play module shows: a full-screen image window owned by the
// game host's window, with a context menu, Page Up / Page Down turned into
// requests to the host, and the two key hooks that boards override.
#pragma once

#include <string>

#include "framework/handles.h"
#include "contracts/module_contract.h"
#include "toolkit/image_wnd.h"

class CBackGroundWnd : public CImageWnd {
 public:
  // Context menu commands.
  static constexpr UINT kCmdPrevious = 10001;
  static constexpr UINT kCmdNext = 10002;
  static constexpr UINT kCmdExit = 10003;

  CBackGroundWnd(HINSTANCE module, HWND host, const ModuleStartInfo& info);
  ~CBackGroundWnd() override;

  // Loads the background, creates the window on its own thread, covers the
  // screen and shows it. Returns the window, or null when none could be made.
  HWND Start(const std::wstring& backgroundName);

  bool switchRequested() const { return switchRequested_ != 0; }

 protected:
  // Key hooks, on the board's thread. Page Up, Page Down and Escape never arrive here.
  virtual void OnBoardKeyDown(UINT key, UINT flags) {
    (void)key;
    (void)flags;
  }
  virtual void OnBoardKeyUp(UINT key, UINT flags) {
    (void)key;
    (void)flags;
  }

  // The two speech requests on the host's speech record.
  bool StopSpeech();
  bool SpeakText(const char* gbkText);

  HINSTANCE module_;
  HWND host_;
  int itemIndex_;
  const char* itemName_;
  SpeechRecord* speech_;
  int screenCx_;
  int screenCy_;

  FW_DECLARE_MESSAGE_MAP()

 private:
  LRESULT OnPlayKeyDown(WPARAM key, LPARAM flags);
  LRESULT OnPlayKeyUp(WPARAM key, LPARAM flags);
  LRESULT OnRightButtonUp(WPARAM, LPARAM);
  void OnPrevious();
  void OnNext();
  void OnExit();
  void RecordKeyDown(UINT key);

  fw::UniqueMenu menu_;
  LONG switchRequested_ = 0;
  LONG keyDowns_ = 0;
};
