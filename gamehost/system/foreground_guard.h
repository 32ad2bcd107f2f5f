// Keeps a running game in front. Notifications and the prompts of other
// programs can take the foreground or a topmost place from a full-screen
// window; the guard takes both back while no exit dialog is open, a bounded
// number of times, so that it never fights a window that insists (a system
// dialog) in a loop.
#pragma once

#include <windows.h>

#include <cstdint>

namespace gamehost {

// The window-manager calls the guard makes, replaceable for tests.
class WindowLayer {
 public:
  virtual HWND Foreground() = 0;
  // A window of this process (game, board, exit dialog, covers).
  virtual bool IsOurs(HWND window) = 0;
  // A visible topmost window of another program lies above `game` and over its screen.
  virtual bool OtherTopmostAbove(HWND game) = 0;
  // Puts `game` and its `board` (or null) back on top of the topmost band
  // and `game` into the foreground: the game's window takes the keys and
  // hands them to the board, whichever of our windows had them before.
  virtual void TakeFront(HWND game, HWND board) = 0;
  virtual std::uint32_t Now() = 0;  // milliseconds, wrapping

 protected:
  ~WindowLayer() = default;
};

class SystemWindowLayer final : public WindowLayer {
 public:
  HWND Foreground() override;
  bool IsOurs(HWND window) override;
  bool OtherTopmostAbove(HWND game) override;
  void TakeFront(HWND game, HWND board) override;
  std::uint32_t Now() override;
};

class ForegroundGuard {
 public:
  // At most this many take-backs within one span of this length.
  static constexpr int kMaxTakes = 3;
  static constexpr std::uint32_t kSpanMs = 30000;
  // How often the game checks.
  static constexpr UINT kCheckIntervalMs = 500;

  explicit ForegroundGuard(WindowLayer& layer) : layer_(layer) {}

  // One check, with the game's board (or null). True when it took the front back.
  bool Check(HWND game, HWND board, bool exitDialogOpen);

 private:
  WindowLayer& layer_;
  std::uint32_t spanStart_ = 0;
  int takesInSpan_ = 0;
};

}  // namespace gamehost
