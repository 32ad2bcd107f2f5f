// CBaseObjectWnd: a picture that lives on the screen as a small window of its
// own and travels across it in one of four directions, with a speed that
// decays after each start, re-entering at a random point of its band when it
// has left the screen (wrapping to the opposite edge, or turning back mirrored
// where its turn flag is set). It can be dragged, and its context menu lets an
// adult enlarge, shrink, speed up, slow down or hide it.
//
// Owners set the public settings and call the placements from their own
// thread; motion and the menu run on the object's window thread. The
// arithmetic lives in core/object_motion.h.
#pragma once

#include <windows.h>

#include <atomic>

#include "core/object_motion.h"
#include "framework/handles.h"
#include "toolkit/image_wnd.h"

// The base of every moving picture: a picture window that travels, turns and can be dragged.
class CBaseObjectWnd : public CImageWnd {
 public:
  // Context-menu commands.
  static constexpr UINT kCmdVanish = 10000;
  static constexpr UINT kCmdEnlarge = 10001;
  static constexpr UINT kCmdShrink = 10002;
  static constexpr UINT kCmdFaster = 10003;
  static constexpr UINT kCmdSlower = 10004;

  CBaseObjectWnd();
  ~CBaseObjectWnd() override;

  // PlaceForDirection, then speed 30.
  void StartMoving(int direction);
  // A random entry point for the direction within the band (1 right: one
  // column inside the left edge, 2 left: at the right edge, 3 down: at the
  // top, 4 up: at the bottom, other values: anywhere in the band, still);
  // sets the direction, keeps the speed. No immediate repaint.
  void PlaceForDirection(int direction);
  // Band of re-entry heights, as fractions of the screen height.
  void SetVerticalBand(float topFraction, float bottomFraction);
  // At (x, y) with the picture's natural size, still.
  void PlaceAt(int x, int y);
  // The picture's natural size centred at fractions of the screen, still.
  void PlaceCentredAt(float xFraction, float yFraction);
  // Carries out a context-menu command on the window thread, as if chosen
  // (waits at most kObjectCommandMs). False when there is no window.
  bool ApplyCommand(UINT command);

  // Settings owners change directly.
  CWakingValue<int> speed{*this, bimbly::motion::kStartSpeed};
  CWakingValue<int> minimumSpeed{*this, bimbly::motion::kMinimumSpeed};
  CWakingValue<int> direction{*this, bimbly::motion::kStill};
  CWakingValue<bool> moving{*this, true};
  std::atomic<bool> turnAtBottom{false};
  std::atomic<bool> turnAtTop{false};
  std::atomic<bool> turnAtRight{false};
  std::atomic<bool> turnAtLeft{false};
  std::atomic<int> topBound;
  std::atomic<int> bottomBound;

  DWORD moveInterval() const { return moveInterval_; }
  int leftBound() const { return leftBound_; }
  int rightBound() const { return rightBound_; }
  // Motion steps taken so far (for watching an object move).
  LONG stepCount() const { return stepCount_.load(); }

 protected:
  void OnTick(DWORD now, bool* redraw) override;
  DWORD NextTickDelay(DWORD now) override;

  LRESULT OnNcRightButtonUp(WPARAM, LPARAM);
  void OnVanish();
  void OnEnlarge();
  void OnShrink();
  void OnFaster();
  void OnSlower();

  FW_DECLARE_MESSAGE_MAP()

 private:
  bimbly::motion::MotionState Motion() const;
  RECT CurrentRect() const;
  void Resize(const bimbly::motion::Rect& r);

  std::atomic<DWORD> lastMoveTick_{0};
  const DWORD moveInterval_ = bimbly::motion::kMoveIntervalMs;
  const int leftBound_ = 0;
  const int rightBound_;
  std::atomic<LONG> stepCount_{0};
  fw::UniqueMenu menu_;
};
