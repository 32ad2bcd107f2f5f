// The board's backdrop: the board's background shown once more, by a window
// of its own on a thread of its own, lying right above the board and under
// everything else the board owns.
//
// Where the display server keeps no copy of what a window covers (Wine's
// X11 without a compositor), every step of a moving picture has the window
// under it repaint the strip it uncovered. With the backdrop there, that
// window is the backdrop, and the board's thread, which takes the child's
// keys, is left to the keys. Where the system composes the screen itself the
// backdrop costs a window and nothing more.
//
// It takes no activation; a right click on it goes to the board. A window
// the board shows later goes above it within kLiftCheckMs, also where the
// system puts a new owned window right above its owner (Wine), so that the
// mouse reaches it (a picture's menu, the exit dialog's buttons).
#pragma once

#include <windows.h>

#include "modules/common/background_cache.h"
#include "toolkit/image_wnd.h"

class CBackdropWnd : public CImageWnd {
 public:
  // The window class, for whoever looks through a board's windows.
  static constexpr wchar_t kClassName[] = L"Bimbly.Backdrop";
  // How often it looks for a window the board showed under it.
  static constexpr DWORD kLiftCheckMs = 100;

  // `board` owns the backdrop and gets its right clicks. Made and ended from
  // the game's thread, which keeps answering sent messages meanwhile.
  explicit CBackdropWnd(HWND board);
  static bool IsBackdrop(HWND window);
  ~CBackdropWnd() override;

  // On the backdrop's own thread: covers the screen with `pixels` (the
  // board's drawn background, at the screen's size; null for a black board).
  void ShowHere(board_backgrounds::Pixels pixels);
  // The same from another thread, waiting at most `ms`; false when the
  // backdrop did not answer in time.
  bool Show(const board_backgrounds::Pixels& pixels, DWORD ms);

 protected:
  const void* OwnPicture(int width, int height) override;
  // Every kLiftCheckMs while shown: what lies under the backdrop goes over it.
  void OnTick(DWORD now, bool* redraw) override;
  DWORD NextTickDelay(DWORD now) override;

  FW_DECLARE_MESSAGE_MAP()

 private:
  LRESULT OnShowBackdrop(WPARAM, LPARAM);
  LRESULT OnMouseActivate(WPARAM, LPARAM);
  LRESULT OnRightButtonUp(WPARAM, LPARAM);
  // Takes the board's other windows to the very top, bottom up: all of
  // them, or only those that lie under the backdrop.
  void LiftOwnedWindows(bool belowOnly);

  HWND board_;
  board_backgrounds::Pixels pixels_;  // window thread
};
