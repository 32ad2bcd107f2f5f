// CImageWnd: a borderless pop-up window showing one picture from an "IMAGE"
// resource, stretched to the window, opaque (JPEG) or with per-pixel alpha
// (PNG, GIF, BMP, icons), animating GIFs frame by frame. Every image window
// runs its own window thread with its own message loop and a timer.
//
// Its timers wake only when something is due: one the next frame change of an
// animation, the other what the derived class's NextTickDelay asks for (a
// class that overrides OnTick without saying gets the 5 ms tick). Each keeps a
// steady period, and a changed frame of a layered window is handed over
// without a paint. A change to loop,
// stopFrame (or a derived class's CWakingValue settings) wakes it at once, so
// what shows is the same as with a fixed fast tick, at a fraction of the cost
// for windows that have nothing to do.
//
// Life: construct, LoadImageResource (picks the window's size and whether it
// is layered), CreateImageWindow (blocks at most kImageWindowCreateMs), then
// move/show it from any thread; destruction ends the window thread
// (kImageWindowEndMs, terminated after; core/wait_bounds.h).
//
// Deriving (boards, moving objects):
//  - override OnPrePaint / OnTick; they run on the window thread;
//  - add message-table entries chained to CImageWnd::kMessageMap; a derived
//    WM_CREATE handler calls CImageWnd::OnCreate first and fails with -1 when
//    it does; do not add a WM_TIMER, WM_PAINT or WM_NCHITTEST entry (use the
//    hooks and the draggable flag);
//  - a derived class whose hooks or handlers use its own members calls
//    DestroyImageWindow() first thing in its destructor, so the window thread
//    has ended before those members go.
// An image window is never destroyed from its own window thread.
// GDI+ must be running (fw::GdiplusSession in the host) from the first load
// until the last image window is gone; the toolkit never starts it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/wait_bounds.h"
#include "framework/window.h"
#include "framework/window_thread.h"

class CImageWnd;
// Wakes the window's timer so that a changed setting is seen at once.
void WakeImageWindow(CImageWnd& wnd);

// A setting owners change directly from any thread, like std::atomic, whose
// change wakes the window's timer.
template <typename T>
class CWakingValue {
 public:
  CWakingValue(CImageWnd& wnd, T initial) : wnd_(wnd), value_(initial) {}
  CWakingValue(const CWakingValue&) = delete;
  CWakingValue& operator=(const CWakingValue&) = delete;
  CWakingValue& operator=(T v) {
    store(v);
    return *this;
  }
  void store(T v) {
    value_.store(v);
    WakeImageWindow(wnd_);
  }
  // For the window's own thread, which needs no wake-up.
  void storeQuietly(T v) { value_.store(v); }
  T load() const { return value_.load(); }
  operator T() const { return value_.load(); }

 private:
  CImageWnd& wnd_;
  std::atomic<T> value_;
};

// A picture shown in a pop-up window of its own, on a window thread of its own.
class CImageWnd : public fw::CWnd {
 public:
  enum class Format { kNone, kJpeg, kPng, kGif, kBmp, kIcon, kOther };

  static constexpr UINT_PTR kTimerId = 1;       // OnTick's (motion)
  static constexpr UINT_PTR kFrameTimerId = 2;  // the animation's
  static constexpr UINT kTimerPeriodMs = 5;
  // Private message that copies the drawing surface on the window thread.
  static constexpr UINT kSnapshotMessage = WM_APP + 0x3A1;
  // Private message that re-runs the timer's work at once (a setting changed).
  static constexpr UINT kWakeMessage = WM_APP + 0x3A2;
  // NextTickDelay's answer when nothing is due until a setting changes.
  static constexpr DWORD kNothingDue = INFINITE;

  CImageWnd();
  ~CImageWnd() override;

  // Loads the picture from the "IMAGE" resource `name` of `module` (a string
  // name or MAKEINTRESOURCE id). False for a missing, empty, damaged
  // (picture_check.h), undecodable or oversized picture (caps in
  // image_rules.h); the window then has no picture and draws nothing.
  // Only before CreateImageWindow: a window that exists keeps its picture.
  bool LoadImageResource(const wchar_t* name, HINSTANCE module);
  // The same for a narrow (GBK/ASCII) name, as the modules' tables hold them.
  bool LoadImageResource(const char* name, HINSTANCE module);
  // Loads the picture from encoded bytes (copied), under the same rules.
  bool LoadImageBytes(const void* data, std::size_t size);

  // Starts the window thread, which creates the pop-up (owned by `owner`, at
  // (0, 0), picture-sized, hidden). True once the window exists; false when the
  // thread or window could not be made within kImageWindowCreateMs.
  bool CreateImageWindow(HWND owner);
  // CreateImageWindow in two halves, so that several windows are made at
  // once and waited for together: StartImageWindow starts the thread (false
  // when it could not be started), FinishImageWindow waits at most timeoutMs
  // for the window and is true once it exists (a window that failed or ran
  // out of time has its thread ended).
  bool StartImageWindow(HWND owner, std::function<void()> made = nullptr);
  // The same, with the picture loaded on the window's own thread first (as
  // LoadImageResource: one that does not load leaves the window empty), then
  // `loaded` run there before the window is made (settings that must follow
  // the load), so that pictures made together are decoded together too;
  // `made` runs there once the window exists, before FinishImageWindow
  // returns (placing and showing it without a round trip to its thread).
  bool StartImageWindow(HWND owner, const char* name, HINSTANCE module, std::function<void()> loaded = nullptr,
                        std::function<void()> made = nullptr);
  bool FinishImageWindow(DWORD timeoutMs = bimbly::kImageWindowCreateMs);
  // Ends the window thread and its window (idempotent, any thread but the
  // window's own).
  void DestroyImageWindow();
  // Asks the window thread to end without waiting, so that a board's
  // pictures end side by side before each is destroyed.
  void AskToEnd() { thread_.AskToStop(); }

  // Mirror the picture (every frame of a GIF). Nothing is repainted; call
  // Invalidate() when the change should show. Any thread.
  void FlipHorizontal();
  void FlipVertical();

  // Repaints the whole window at its thread's next chance. Any thread.
  void Invalidate();

  // Settings that owners and derived classes change directly, from any thread.
  // The per-pixel alpha path: loading sets it (all but JPEG); an owner may
  // change it after loading and before CreateImageWindow; from then on the
  // window's style decides.
  std::atomic<bool> layered{false};
  // colorKey pixels become holes, in a layered GIF or BMP only (PNG and icons
  // have their own alpha). Drawing reads these settings and never writes them.
  std::atomic<bool> colorKeyOn{false};
  std::atomic<COLORREF> colorKey{RGB(0, 0, 0)};
  CWakingValue<bool> loop{*this, true};    // the animation cycles for ever
  CWakingValue<int> stopFrame{*this, -1};  // without loop: frame to halt at; -1 halts at once
  std::atomic<bool> draggable{false};  // the whole window acts as a caption

  int imageWidth() const { return imageWidth_; }
  int imageHeight() const { return imageHeight_; }
  int screenWidth() const { return screenWidth_; }
  int screenHeight() const { return screenHeight_; }
  bool hasImage() const { return format_ != Format::kNone; }
  Format format() const { return format_; }
  UINT frameCount() const { return frameCount_; }
  int currentFrame() const { return currentFrame_.load(); }
  // Milliseconds a frame stays on show (after the 0 / over-10-s rule).
  UINT frameDelayMs(UINT frame) const;
  HWND owner() const { return owner_; }
  HINSTANCE resourceModule() const { return resourceModule_; }
  DWORD windowThreadId() const { return thread_.threadId(); }
  // Paints done so far (for waiting on a repaint).
  LONG paintCount() const { return paintCount_.load(); }
  // Timer wake-ups so far (for measuring the idle cost).
  LONG tickCount() const { return tickCount_.load(); }

  // Pictures decoded ahead of the windows that will show them (the next
  // board's), kept for this module until a window loading the same resource
  // takes one, or until they are let go. Any thread.
  static void DecodeAhead(const char* name, HINSTANCE module);
  static void LetGoDecodedAhead();

  // Frames drawn once and shared by the windows of this module showing the
  // same picture, still held by some window (for checking they are let go).
  static std::size_t SharedFramesHeld();

  // Re-runs the timer's work on the window thread soon. Any thread.
  void WakeTimer();

  // Copies the drawing surface as last painted: premultiplied ARGB, top row
  // first. False when there is no window or no surface yet.
  bool SnapshotSurface(std::vector<std::uint32_t>& pixels, int& width, int& height,
                       DWORD timeoutMs = bimbly::kImageSnapshotMs);

 protected:
  // Before CreateImageWindow, for a window made and ended from a thread that
  // must keep answering sent messages meanwhile (a board, from the game's
  // thread with its low-level hook): those waits serve them.
  void ServeSentMessagesWhileWaiting() { thread_.ServeSentMessagesWhileWaiting(); }
  // Before CreateImageWindow: a window class of its own (so that others can
  // tell the window from the rest) and extended styles beside the usual ones.
  void UseWindowClass(const wchar_t* className, DWORD addedExStyle) {
    className_ = className;
    addedExStyle_ = addedExStyle;
  }
  // Called at the start of every paint, before anything is drawn.
  virtual void OnPrePaint() {}
  // Called at the end of every paint, once the picture is on the screen.
  virtual void OnPainted() {}
  // Pixels drawn elsewhere to show instead of the picture (top-down
  // premultiplied ARGB, width x height, rows of width pixels, kept until the
  // next call), or null to have the picture drawn as usual. An opaque window
  // paints them straight to the screen, with no drawing surface between.
  virtual const void* OwnPicture(int width, int height) {
    (void)width;
    (void)height;
    return nullptr;
  }
  // Called on every timer tick; set *redraw to have the window repainted.
  virtual void OnTick(DWORD now, bool* redraw) {
    (void)now;
    (void)redraw;
    tickHookUsed_ = false;
  }
  // Milliseconds from `now` until OnTick next has something to do, or
  // kNothingDue. Default: every 5 ms when OnTick is overridden, else never.
  virtual DWORD NextTickDelay(DWORD now) {
    (void)now;
    return tickHookUsed_ ? kTimerPeriodMs : kNothingDue;
  }

  // The window's handlers; a derived WM_CREATE handler calls OnCreate first.
  int OnCreate(CREATESTRUCTW* cs);
  void OnDestroy();
  void OnPaint();
  LRESULT OnEraseBackground(WPARAM, LPARAM);
  LRESULT OnHitTest(WPARAM, LPARAM);
  void OnTimer(UINT_PTR id);
  LRESULT OnSnapshot(WPARAM, LPARAM);
  LRESULT OnWake(WPARAM, LPARAM);
  LRESULT OnShowWindow(WPARAM, LPARAM);

  FW_DECLARE_MESSAGE_MAP()

 private:
  struct Pictures;  // GDI+ images, their streams and the frame delays
  struct Surface;   // the persistent 32-bit drawing surface

  // The loads without the check that no window exists yet (the window's
  // own thread loads this way before it makes the window).
  bool LoadResourceNow(const wchar_t* name, HINSTANCE module);
  // Takes a picture decoded ahead for that resource; false when there is none.
  bool TakeDecodedAhead(const wchar_t* name, HINSTANCE module);
  bool LoadBytesNow(const void* data, std::size_t size);
  bool DecodeStream(IStream* stream);
  void ReleasePictures();
  // Mirrors every picture (a GDI+ RotateFlipType; the header keeps GDI+ out).
  void Flip(int rotateFlipType);
  void Draw(int width, int height);
  // Clears the surface and draws the picture on it (or has the derived class fill it).
  void Render(int width, int height);
  // Paints OwnPicture's pixels straight into the paint DC; false when there are none.
  bool PaintOwnPicture(HDC paintDc, int width, int height);
  void Present(HDC paintDc, const RECT& windowRect);
  // The surface to a layered window (at `destination`, or where it stands).
  bool HandOverLayered(HDC paintDc, POINT* destination, int width, int height);
  bool CreateOnThread();
  // Runs OnTick (when `tick`) and the frame changes (when `animate`), and
  // arms the timers for whatever is due next.
  void RunTick(bool tick, bool animate);
  void RunTickWork(bool tick, bool animate);
  void Reschedule(DWORD now, bool tick, bool animate);
  void Arm(UINT_PTR id, DWORD wait, bool& armed, DWORD& period);
  // Hands a layered window its changed frame without a paint; false when a
  // paint must do it.
  bool PresentChangedFrame();

  fw::CWindowThread thread_;
  HWND owner_ = nullptr;
  const wchar_t* className_ = nullptr;  // null: the image windows' own
  DWORD addedExStyle_ = 0;
  HINSTANCE resourceModule_ = nullptr;
  int imageWidth_ = 10;
  int imageHeight_ = 10;
  Format format_ = Format::kNone;
  UINT frameCount_ = 0;
  std::atomic<int> currentFrame_{0};
  DWORD lastFrameTick_ = 0;
  std::atomic<LONG> paintCount_{0};
  std::atomic<LONG> tickCount_{0};
  std::atomic<bool> wakePending_{false};
  bool tickHookUsed_ = true;  // cleared by the default OnTick
  bool timerArmed_ = false;
  DWORD timerPeriod_ = 0;
  bool frameTimerArmed_ = false;
  DWORD frameTimerPeriod_ = 0;
  int screenWidth_;
  int screenHeight_;
  std::unique_ptr<Pictures> pictures_;
  std::unique_ptr<Surface> surface_;
  // What a layered window was last handed (window thread only).
  struct PresentedPicture {
    int width = 0;
    int height = 0;
    int frame = 0;
    unsigned flips = 0;
    bool keyed = false;
    COLORREF key = 0;
    bool operator==(const PresentedPicture& o) const {
      return width == o.width && height == o.height && frame == o.frame && flips == o.flips && keyed == o.keyed &&
             key == o.key;
    }
  };
  PresentedPicture LookAt(int width, int height);
  PresentedPicture presentedPicture_;
  bool presented_ = false;
};
