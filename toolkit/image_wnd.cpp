#include "toolkit/image_wnd.h"

#include <imm.h>

#include <cstring>
#include <string>

#include "core/image_rules.h"
#include "core/wait_bounds.h"
#include "framework/handles.h"
#include "framework/text.h"
#include "toolkit/image_parts.h"

namespace {

namespace rules = bimbly::image;

rules::AnimationState AnimationOf(std::uint32_t frameCount, bool loop, int stopFrame, int currentFrame) {
  rules::AnimationState state;
  state.frameCount = frameCount;
  state.loop = loop;
  state.stopFrame = stopFrame;
  state.currentFrame = currentFrame;
  return state;
}

constexpr wchar_t kClassName[] = L"Bimbly.ImageWnd";
constexpr wchar_t kWindowName[] = L"ImageWnd";

}  // namespace

const fw::MessageEntry CImageWnd::kMessageEntries[] = {
    fw::OnCreate<&CImageWnd::OnCreate>(),
    fw::OnDestroy<&CImageWnd::OnDestroy>(),
    fw::OnPaint<&CImageWnd::OnPaint>(),
    fw::OnMessage<&CImageWnd::OnEraseBackground>(WM_ERASEBKGND),
    fw::OnMessage<&CImageWnd::OnHitTest>(WM_NCHITTEST),
    fw::OnTimer<&CImageWnd::OnTimer>(),
    fw::OnMessage<&CImageWnd::OnSnapshot>(kSnapshotMessage),
    fw::OnMessage<&CImageWnd::OnWake>(kWakeMessage),
    fw::OnMessage<&CImageWnd::OnShowWindow>(WM_SHOWWINDOW),
};
const fw::MessageMap CImageWnd::kMessageMap = fw::MakeMessageMap(&fw::CWnd::kMessageMap, kMessageEntries);

CImageWnd::CImageWnd()
    : screenWidth_(::GetSystemMetrics(SM_CXSCREEN)),
      screenHeight_(::GetSystemMetrics(SM_CYSCREEN)),
      pictures_(std::make_unique<Pictures>()),
      surface_(std::make_unique<Surface>()) {}

CImageWnd::~CImageWnd() {
  DestroyImageWindow();
  // The window thread has ended (or was terminated): nothing else uses the
  // pictures, so no lock is taken (a terminated thread may have left it held).
  ReleasePictures();
  surface_.reset();
}


bool CImageWnd::CreateImageWindow(HWND owner) {
  return StartImageWindow(owner) && FinishImageWindow(bimbly::kImageWindowCreateMs);
}

bool CImageWnd::StartImageWindow(HWND owner, std::function<void()> made) {
  if (thread_.running()) return false;
  owner_ = owner;
  // Each window has its own creation signal inside CWindowThread, so windows
  // created at the same time on different threads cannot take each other's.
  return thread_.Begin(
      [this, made] {
        if (!CreateOnThread()) return false;
        if (made) made();
        return true;
      },
      [this] {
        if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
      });
}

bool CImageWnd::StartImageWindow(HWND owner, const char* name, HINSTANCE module, std::function<void()> loaded,
                                 std::function<void()> made) {
  if (thread_.running()) return false;
  owner_ = owner;
  std::wstring wideName;
  const wchar_t* resource = reinterpret_cast<const wchar_t*>(name);
  if (name && !IS_INTRESOURCE(name)) {
    wideName = fw::GbkToWide(name);
    resource = nullptr;
  }
  return thread_.Begin(
      [this, resource, wideName, module, loaded, made] {
        LoadResourceNow(resource ? resource : wideName.c_str(), module);
        if (loaded) loaded();
        if (!CreateOnThread()) return false;
        if (made) made();
        return true;
      },
      [this] {
        if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
      });
}

bool CImageWnd::FinishImageWindow(DWORD timeoutMs) { return thread_.WaitCreated(timeoutMs); }

bool CImageWnd::CreateOnThread() {
  const wchar_t* className = className_ ? className_ : kClassName;
  if (!RegisterClass(className, 0, nullptr, nullptr, ::LoadCursorW(nullptr, IDC_ARROW))) return false;
  DWORD exStyle = WS_EX_TOOLWINDOW | addedExStyle_;
  if (layered) exStyle |= WS_EX_LAYERED;
  return CreateEx(exStyle, className, kWindowName, WS_POPUP, 0, 0, imageWidth_, imageHeight_, owner_, nullptr);
}

void CImageWnd::DestroyImageWindow() { thread_.Stop(bimbly::kImageWindowEndMs); }

void CImageWnd::Invalidate() {
  HWND h = hwnd_;
  if (h) ::InvalidateRect(h, nullptr, TRUE);
}

int CImageWnd::OnCreate(CREATESTRUCTW*) {
  if (Default() == -1) return -1;
  // Image windows take no input-method composition.
  ::ImmAssociateContext(hwnd_, nullptr);
  lastFrameTick_ = ::GetTickCount();
  // The first tick arms both timers for what is due.
  if (!::SetTimer(hwnd_, kTimerId, kTimerPeriodMs, nullptr)) return -1;
  timerArmed_ = true;
  timerPeriod_ = kTimerPeriodMs;
  return 0;
}

void CImageWnd::OnDestroy() {
  ::KillTimer(hwnd_, kTimerId);
  ::KillTimer(hwnd_, kFrameTimerId);
  timerArmed_ = frameTimerArmed_ = false;
  // However the window went (its owner may have taken it along), its thread
  // has nothing left to serve.
  ::PostQuitMessage(0);
}

LRESULT CImageWnd::OnEraseBackground(WPARAM, LPARAM) { return 1; }

LRESULT CImageWnd::OnShowWindow(WPARAM, LPARAM) {
  // Whatever the system kept while the window was hidden, it is handed over again.
  presented_ = false;
  return Default();
}

LRESULT CImageWnd::OnHitTest(WPARAM, LPARAM) { return draggable ? HTCAPTION : Default(); }

void WakeImageWindow(CImageWnd& wnd) { wnd.WakeTimer(); }

void CImageWnd::WakeTimer() {
  HWND h = hwnd_;
  if (!h || wakePending_.exchange(true)) return;
  if (!::PostMessageW(h, kWakeMessage, 0, 0)) wakePending_ = false;
}

LRESULT CImageWnd::OnWake(WPARAM, LPARAM) {
  wakePending_ = false;
  RunTick(true, true);
  return 0;
}

void CImageWnd::OnTimer(UINT_PTR id) {
  if (id != kTimerId && id != kFrameTimerId) {
    Default();
    return;
  }
  // Each timer does its own work only, so that neither finds the other's
  // done early and has to be set again.
  RunTick(id == kTimerId, id == kFrameTimerId);
}

void CImageWnd::Reschedule(DWORD now, bool tick, bool animate) {
  // What the derived class asks for (motion) and the animation each keep a
  // timer of their own: both then keep one steady period and are not set
  // again at every tick (every setting is a round trip to the wine server).
  if (tick || !timerArmed_) Arm(kTimerId, NextTickDelay(now), timerArmed_, timerPeriod_);
  if (!animate && frameTimerArmed_) return;
  DWORD frameWait = kNothingDue;
  if (format_ == Format::kGif && frameCount_ > 1) {
    const rules::AnimationState state = AnimationOf(frameCount_, loop, stopFrame, currentFrame_);
    if (rules::MayAdvance(state)) {
      // A frame changes once strictly more than its delay has passed.
      const DWORD delay = frameDelayMs(static_cast<UINT>(currentFrame_.load()));
      const DWORD since = now - lastFrameTick_;
      frameWait = since > delay ? 0 : delay - since + 1;
    }
  }
  Arm(kFrameTimerId, frameWait, frameTimerArmed_, frameTimerPeriod_);
}

void CImageWnd::Arm(UINT_PTR id, DWORD wait, bool& armed, DWORD& period) {
  if (wait == kNothingDue) {
    if (armed) ::KillTimer(hwnd_, id);
    armed = false;
    return;
  }
  // The platform raises very short periods to its minimum by itself.
  wait = std::max<DWORD>(wait, 1);
  if (armed && period == wait) return;
  armed = ::SetTimer(hwnd_, id, wait, nullptr) != 0;
  period = wait;
}

void CImageWnd::RunTick(bool tick, bool animate) {
  ++tickCount_;
  RunTickWork(tick, animate);
  Reschedule(::GetTickCount(), tick, animate);
}

void CImageWnd::RunTickWork(bool tick, bool animate) {
  const DWORD now = ::GetTickCount();
  bool redraw = false;
  if (tick) OnTick(now, &redraw);
  if (animate && format_ == Format::kGif && frameCount_ > 1) {
    const rules::AnimationState state = AnimationOf(frameCount_, loop, stopFrame, currentFrame_);
    const int next = rules::NextFrame(state, pictures_->delaysMs, now, lastFrameTick_);
    if (next != state.currentFrame) {
      lastFrameTick_ = now;
      currentFrame_ = next;
      if (!PresentChangedFrame()) Invalidate();
      return;
    }
  }
  if (redraw) Invalidate();
}

CImageWnd::PresentedPicture CImageWnd::LookAt(int width, int height) {
  PresentedPicture look;
  look.width = width;
  look.height = height;
  look.frame = currentFrame_.load();
  {
    std::lock_guard<std::mutex> guard(pictures_->lock);
    look.flips = pictures_->flips;
  }
  look.keyed = colorKeyOn;
  look.key = colorKey;
  return look;
}

bool CImageWnd::PresentChangedFrame() {
  // A layered window that shows its picture is handed the new frame at once:
  // no paint message, no paint DC and no move, as a paint would take.
  if (!presented_ || !hwnd_ || !(::GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYERED)) return false;
  RECT rect{};
  ::GetWindowRect(hwnd_, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width != presentedPicture_.width || height != presentedPicture_.height || !surface_->bits) return false;
  const PresentedPicture shown = LookAt(width, height);
  if (shown == presentedPicture_) return true;
  Render(width, height);
  if (!HandOverLayered(nullptr, nullptr, width, height)) return false;
  presentedPicture_ = shown;
  ++paintCount_;
  return true;
}

void CImageWnd::OnPaint() {
  fw::PaintDc paint(hwnd_);
  OnPrePaint();
  RECT rect{};
  ::GetWindowRect(hwnd_, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return;
  const bool layeredStyle = (::GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
  // An opaque window with pixels of its own (a board's background) needs no
  // surface: a full-screen one would be filled and copied again for nothing.
  if (!layeredStyle && PaintOwnPicture(paint.get(), width, height)) {
    ++paintCount_;
    OnPainted();
    return;
  }
  if (!surface_->Ensure(width, height)) return;
  // A layered window keeps the picture it was given, also when it moves: the
  // same picture at the same size is neither drawn nor handed over again.
  const PresentedPicture shown = LookAt(width, height);
  if (!(layeredStyle && presented_ && shown == presentedPicture_)) {
    Render(width, height);
    Present(paint.get(), rect);
    presented_ = layeredStyle;
    presentedPicture_ = shown;
  }
  ++paintCount_;
  OnPainted();
}
