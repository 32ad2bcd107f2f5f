// The board's backdrop: the board's background shown once more, by a window
// of its own on a thread of its own, lying right under the board.
//
// Where the display server keeps no copy of what a window covers (Wine's
// X11 without a compositor), every step of a moving picture has the window
// under it repaint the strip it uncovered. Once the backdrop shows, the
// board gives up its own area (an empty window region): the window under
// the pictures is then the backdrop, and the board's thread, which takes
// the child's keys, is left to the keys. Everything the board owns still
// lies above the board, as owned windows always do, and so above the
// backdrop. Where the system composes the screen itself the backdrop costs
// a window and nothing more.
//
// It is owned by the game's window, as the board is, takes no activation
// and hands right clicks on to the board.
#pragma once

#include <windows.h>

#include <mutex>

#include "modules/common/background_cache.h"
#include "toolkit/image_wnd.h"

class CBackdropWnd : public CImageWnd {
 public:
  // The window class, for whoever looks through the game's windows.
  static constexpr wchar_t kClassName[] = L"Bimbly.Backdrop";
  // Posted to the board once the backdrop is on the screen, painted.
  static constexpr UINT kShownMessage = WM_APP + 0x3B2;

  // `host` owns the backdrop; `board` lies right above it and gets its
  // right clicks. Made and ended from the game's thread, which keeps
  // answering sent messages meanwhile.
  CBackdropWnd(HWND host, HWND board);
  ~CBackdropWnd() override;

  // Starts the window's thread, not waiting for it.
  bool Start();
  // From any thread, once: covers the screen with `pixels` (the board's
  // drawn background, at the screen's size; null for a black board) right
  // under the board, as soon as the window exists, then tells the board.
  void Show(board_backgrounds::Pixels pixels);

 protected:
  const void* OwnPicture(int width, int height) override;

  FW_DECLARE_MESSAGE_MAP()

 private:
  LRESULT OnShowBackdrop(WPARAM, LPARAM);
  void OnMade();
  void ShowHere();
  LRESULT OnMouseActivate(WPARAM, LPARAM);
  LRESULT OnRightButtonUp(WPARAM, LPARAM);

  HWND host_;
  HWND board_;
  // Whichever comes second, the window or the pixels, shows the backdrop.
  std::mutex lock_;
  bool made_ = false;
  bool offered_ = false;
  board_backgrounds::Pixels pixels_;
};
