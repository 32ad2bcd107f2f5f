// The board every play module shows: a full-screen image window owned by the
// game host's window, with a context menu, Page Up / Page Down turned into
// requests to the host, and the two key hooks that boards override.
#pragma once

#include <functional>
#include <string>

#include "core/settings_rules.h"
#include "framework/handles.h"
#include "contracts/module_contract.h"
#include "toolkit/image_wnd.h"

// The base of every board: the full-screen picture a play module shows.
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

  // Called by Initialize on the host's thread once the board is shown: the
  // board's own set-up (the music board's pictures). Default: nothing.
  virtual void OnBoardShown() {}

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

  // Runs `work` on the board's window thread and waits for it (at most
  // kBoardWorkTimeoutMs). When there is no board thread, or it does not answer
  // in time, the thread is ended first and `work` runs on the caller's thread.
  // Board destructors release what their key hooks use this way, so that
  // nothing is released under a hook that is still running.
  static constexpr DWORD kBoardWorkTimeoutMs = 10000;
  void RunOnBoardThread(const std::function<void()>& work);

  // The speech requests on the host's speech record. In quiet mode nothing
  // is spoken; the names go in the language the parent chose.
  bool StopSpeech();
  bool SpeakText(const char* gbkText);
  bool SpeakItemName();  // the item's Chinese name and English label
  bool SpeakNames(const wchar_t* name, const wchar_t* secondName);

  // Quiet mode: the board plays no sounds and no notes.
  bool quiet() const { return naming_.quiet; }

  HINSTANCE module_;
  HWND host_;
  int itemIndex_;
  const char* itemName_;
  const char* itemEnglishName_;
  SpeechRecord* speech_;
  bimbly::NameSpeaking naming_;
  int screenCx_;
  int screenCy_;

  FW_DECLARE_MESSAGE_MAP()

 private:
  LRESULT OnPlayKeyDown(WPARAM key, LPARAM flags);
  LRESULT OnPlayKeyUp(WPARAM key, LPARAM flags);
  LRESULT OnRightButtonUp(WPARAM, LPARAM);
  LRESULT OnBoardWork(WPARAM, LPARAM);
  LRESULT OnRestack(WPARAM, LPARAM);
  void OnPrevious();
  void OnNext();
  void OnExit();
  void RecordKeyDown(UINT key);

  fw::UniqueMenu menu_;
  LONG switchRequested_ = 0;
  LONG keyDowns_ = 0;
};
