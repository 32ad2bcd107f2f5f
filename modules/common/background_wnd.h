// The board every play module shows: a full-screen image window owned by the
// game host's window, with a context menu, Page Up / Page Down turned into
// requests to the host, and the two key hooks that boards override.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/settings_rules.h"
#include "framework/handles.h"
#include "contracts/module_contract.h"
#include "modules/common/backdrop_wnd.h"
#include "modules/common/background_cache.h"
#include "modules/common/board_speech.h"
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
  // board's own set-up (the music board's pictures). False when the board
  // could not be set up; Initialize then reports that no board exists.
  virtual bool OnBoardShown() { return true; }

  bool switchRequested() const { return switchRequested_ != 0; }

  // Backgrounds to have drawn ahead once this board has painted its first
  // frame (the neighbouring items'), so that a switch to them is quick.
  void DrawAheadAfterFirstPaint(std::vector<std::wstring> names) { drawAhead_ = std::move(names); }
  // And work done ahead after them, on the same thread (the music board's
  // neighbouring pictures decoded); it must not use the board.
  void AlsoAheadAfterFirstPaint(board_backgrounds::AheadWork work) { alsoAhead_ = std::move(work); }

  // From here on the board takes no more keys, also none already queued for
  // its thread: called first when the board goes, so that nothing a queued
  // key would start (a copy, a looped sound from the module) outlives it.
  // Also ends a wait of WaitUnlessGoing at once.
  void StopTakingKeys();

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

  // Runs `work` on the board's window thread and waits for it, at most
  // boundMs (which covers a key the board may be serving first: the bounds of
  // core/wait_bounds.h). True when it ran there in time. Otherwise the board's
  // thread is ended first; then, with runHereWhenLate, `work` runs on the
  // caller's thread unless the board's thread had already taken it. Board
  // destructors release what their key hooks use this way, so that nothing is
  // released under a hook that is still running.
  bool RunOnBoardThread(const std::function<void()>& work, DWORD boundMs, bool runHereWhenLate = true);

  // Has the item's speech cut off and a name said instead, on the board's
  // speech thread: the caller never waits for the speech worker. In quiet
  // mode nothing is said; names go in the language the parent chose.
  void SayItemName();  // the item's Chinese name and English label
  void SayNames(const wchar_t* name, const wchar_t* secondName);
  void SayText(const char* gbkText);  // said as it is, in Chinese

  // Waits up to `ms` on the board's thread, ending early once the board has
  // started to go (then false), so that its host never waits for the rest.
  bool WaitUnlessGoing(DWORD ms);
  // The board has started to go. Its teardown, sent to the board's thread,
  // can be served inside a key's call to another thread's window (a copy's),
  // so a key that made such a call checks this before going on.
  bool going() const { return closing_; }

  // From here on a key-down that waited in the queue longer than
  // bimbly::kKeyBacklogMs is dropped when its turn comes (Page Up and Page
  // Down never are): for boards whose keys hold the thread for a while.
  void BoundKeyBacklog() { boundBacklog_ = true; }

  // Quiet mode: the board plays no sounds and no notes.
  bool quiet() const { return naming_.quiet; }

  // The first paint is when the child sees the new board: noted for whoever times switches.
  void OnPainted() override;
  // On the board's thread: the drawing ahead that the first paint starts
  // waits until released, so that it does not take the processor from a
  // set-up that follows the first paint.
  void HoldDrawingAhead() { aheadHeld_ = true; }
  void ReleaseDrawingAhead();
  // The background, drawn once for the module and shown from there.
  const void* OwnPicture(int width, int height) override;

  HINSTANCE module_;
  HWND host_;
  int itemIndex_;
  const char* itemName_;
  const char* itemEnglishName_;
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
  LRESULT OnActivate(WPARAM, LPARAM);
  LRESULT OnReturnKeyboard(WPARAM, LPARAM);
  void OnPrevious();
  void OnNext();
  void OnExit();
  void RecordKeyDown(UINT key);
  void PassOnWaitingKeys();
  void ServeWaitingRightClick();
  // The backdrop is made as the board starts and shown with what the
  // board's first paint drew.
  void MakeBackdrop();
  void OfferBackdrop();
  LRESULT OnBackdropShown(WPARAM, LPARAM);
  // The board's context menu stays above what the board shows while it is open.
  void RaiseOpenMenu();

  fw::UniqueMenu menu_;
  std::unique_ptr<CBoardSpeech> voice_;
  LONG switchRequested_ = 0;
  LONG keyDowns_ = 0;
  LONG keysDropped_ = 0;
  bool boundBacklog_ = false;
  bool aheadHeld_ = false;
  bool painted_ = false;
  bool menuOpen_ = false;  // board thread
  std::wstring backgroundName_;
  std::shared_ptr<const std::vector<std::uint32_t>> drawnBackground_;  // board thread, once it paints
  std::vector<std::wstring> drawAhead_;
  board_backgrounds::AheadWork alsoAhead_;
  std::atomic<bool> closing_{false};
  // Made and ended from the host's thread, before the board shows and after
  // its thread has ended: the board's thread may use it meanwhile.
  std::unique_ptr<CBackdropWnd> backdrop_;
  fw::UniqueKernelHandle going_;  // manual-reset event, set when the board starts to go
};
