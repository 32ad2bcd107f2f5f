#include "toolkit/base_object_wnd.h"

#include <windowsx.h>

#include "core/wait_bounds.h"
#include "framework/window.h"

namespace motion = bimbly::motion;

const fw::MessageEntry CBaseObjectWnd::kMessageEntries[] = {
    fw::OnMessage<&CBaseObjectWnd::OnNcRightButtonUp>(WM_NCRBUTTONUP),
    fw::OnCommand<&CBaseObjectWnd::OnVanish>(kCmdVanish),
    fw::OnCommand<&CBaseObjectWnd::OnEnlarge>(kCmdEnlarge),
    fw::OnCommand<&CBaseObjectWnd::OnShrink>(kCmdShrink),
    fw::OnCommand<&CBaseObjectWnd::OnFaster>(kCmdFaster),
    fw::OnCommand<&CBaseObjectWnd::OnSlower>(kCmdSlower),
};
const fw::MessageMap CBaseObjectWnd::kMessageMap = fw::MakeMessageMap(&CImageWnd::kMessageMap, kMessageEntries);

CBaseObjectWnd::CBaseObjectWnd()
    : topBound(0), bottomBound(screenHeight()), rightBound_(screenWidth()) {
  draggable = true;
  menu_.reset(::CreatePopupMenu());
  if (menu_) {
    ::AppendMenuW(menu_.get(), MF_STRING, kCmdEnlarge, L"\u653E\u5927");  // 放大
    ::AppendMenuW(menu_.get(), MF_STRING, kCmdShrink, L"\u7F29\u5C0F");   // 缩小
    ::AppendMenuW(menu_.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu_.get(), MF_STRING, kCmdFaster, L"\u52A0\u901F");  // 加速
    ::AppendMenuW(menu_.get(), MF_STRING, kCmdSlower, L"\u51CF\u901F");  // 减速
    ::AppendMenuW(menu_.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu_.get(), MF_STRING, kCmdVanish, L"\u6D88\u5931");  // 消失
  }
}

CBaseObjectWnd::~CBaseObjectWnd() {
  // The window thread moves the object and uses the menu: end it first.
  DestroyImageWindow();
}

motion::MotionState CBaseObjectWnd::Motion() const {
  motion::MotionState s;
  s.lastMoveTick = lastMoveTick_;
  s.moveInterval = moveInterval_;
  s.speed = speed;
  s.minimumSpeed = minimumSpeed;
  s.direction = direction;
  s.moving = moving;
  return s;
}

RECT CBaseObjectWnd::CurrentRect() const {
  RECT rc{0, 0, 0, 0};
  if (hwnd_) ::GetWindowRect(hwnd_, &rc);
  return rc;
}

void CBaseObjectWnd::OnTick(DWORD now, bool*) {
  motion::MotionState s = Motion();
  const bool step = motion::Tick(s, now);
  lastMoveTick_ = s.lastMoveTick;
  if (!step) return;
  speed.storeQuietly(s.speed);
  const RECT rc = CurrentRect();
  motion::TurnFlags turn;
  turn.bottom = turnAtBottom;
  turn.top = turnAtTop;
  turn.right = turnAtRight;
  turn.left = turnAtLeft;
  const motion::Step next = motion::PlanStep({rc.left, rc.top, rc.right, rc.bottom}, s.direction, s.speed,
                                             screenWidth(), screenHeight(), turn);
  if (s.direction < motion::kRight || s.direction > motion::kUp) return;
  ++stepCount_;
  // A layered window keeps its picture where it goes: a move alone is no redraw.
  const bool layeredStyle = (::GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
  ::SetWindowPos(hwnd_, nullptr, next.x, next.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (layeredStyle ? SWP_NOREDRAW : 0));
  if (!next.reenter) return;
  if (next.flip == motion::Flip::kHorizontal) FlipHorizontal();
  if (next.flip == motion::Flip::kVertical) FlipVertical();
  PlaceForDirection(next.reenterDirection);
  if (next.flip != motion::Flip::kNone) Invalidate();
}

DWORD CBaseObjectWnd::NextTickDelay(DWORD now) {
  const std::uint32_t due = motion::NextTickDue(Motion(), now);
  return due == motion::kNever ? kNothingDue : due;
}

void CBaseObjectWnd::StartMoving(int d) {
  PlaceForDirection(d);
  speed = motion::kStartSpeed;
}

void CBaseObjectWnd::PlaceForDirection(int d) {
  const RECT rc = CurrentRect();
  const int w = rc.right - rc.left;
  const int h = rc.bottom - rc.top;
  motion::Bounds band{leftBound_, topBound, rightBound_, bottomBound};
  motion::Random random(::GetTickCount());
  const motion::Placement p = motion::PlanPlacement(d, w, h, band, screenWidth(), screenHeight(), random);
  direction = p.direction;
  if (hwnd_)
    ::SetWindowPos(hwnd_, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void CBaseObjectWnd::SetVerticalBand(float topFraction, float bottomFraction) {
  topBound = motion::BandEdge(screenHeight(), topFraction);
  bottomBound = motion::BandEdge(screenHeight(), bottomFraction);
}

void CBaseObjectWnd::PlaceAt(int x, int y) {
  const int w = hasImage() ? imageWidth() : 0;
  const int h = hasImage() ? imageHeight() : 0;
  if (hwnd_) ::SetWindowPos(hwnd_, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  direction = motion::kStill;
}

void CBaseObjectWnd::PlaceCentredAt(float xFraction, float yFraction) {
  const int w = hasImage() ? imageWidth() : 0;
  const int h = hasImage() ? imageHeight() : 0;
  const motion::Point p = motion::CentredAt(xFraction, yFraction, w, h, screenWidth(), screenHeight());
  if (hwnd_) ::SetWindowPos(hwnd_, nullptr, p.x, p.y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  direction = motion::kStill;
}

bool CBaseObjectWnd::ApplyCommand(UINT command) {
  HWND h = hwnd_;
  if (!h) return false;
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutW(h, WM_COMMAND, MAKEWPARAM(command, 0), 0, SMTO_ABORTIFHUNG, bimbly::kObjectCommandMs,
                               &result) != 0;
}

LRESULT CBaseObjectWnd::OnNcRightButtonUp(WPARAM, LPARAM lp) {
  Default();
  if (menu_) fw::TrackContextMenu(menu_.get(), GET_X_LPARAM(lp), GET_Y_LPARAM(lp), hwnd_);
  return 0;
}

void CBaseObjectWnd::Resize(const motion::Rect& r) {
  ::SetWindowPos(hwnd_, nullptr, r.left, r.top, r.width(), r.height(), SWP_NOZORDER | SWP_NOACTIVATE);
  Invalidate();
}

void CBaseObjectWnd::OnEnlarge() {
  const RECT rc = CurrentRect();
  const motion::Rect before{rc.left, rc.top, rc.right, rc.bottom};
  const motion::Rect after = motion::Enlarge(before, imageWidth(), screenWidth());
  if (!(after == before)) Resize(after);
  Default();
}

void CBaseObjectWnd::OnShrink() {
  const RECT rc = CurrentRect();
  const motion::Rect before{rc.left, rc.top, rc.right, rc.bottom};
  const motion::Rect after = motion::Shrink(before, imageWidth());
  if (!(after == before)) Resize(after);
  Default();
}

void CBaseObjectWnd::OnFaster() {
  const int m = motion::Faster(minimumSpeed);
  if (m != minimumSpeed) {
    speed = m;
    minimumSpeed = m;
  }
  Default();
}

void CBaseObjectWnd::OnSlower() {
  const int m = motion::Slower(minimumSpeed);
  if (m != minimumSpeed) {
    speed = m;
    minimumSpeed = m;
  }
  Default();
}

void CBaseObjectWnd::OnVanish() {
  ::ShowWindow(hwnd_, SW_HIDE);
  Default();
}
