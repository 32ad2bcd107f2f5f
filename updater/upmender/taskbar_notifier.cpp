#include "updater/upmender/taskbar_notifier.h"

#include <algorithm>
#include <vector>

namespace {
constexpr wchar_t kClassName[] = L"BimblyTaskbarNotifier";
constexpr UINT_PTR kTimerAppear = 1, kTimerWait = 2, kTimerHide = 3;
// Whatever happens to the slide, the notice is gone after this long.
constexpr UINT_PTR kTimerLastResort = 9;
constexpr UINT kLastResortMs = 30'000;
}  // namespace

const fw::MessageEntry CTaskbarNotifier::kMessageEntries[] = {
    fw::OnCreate<&CTaskbarNotifier::OnCreate>(),
    fw::OnMessage<&CTaskbarNotifier::OnMouseMove>(WM_MOUSEMOVE),
    fw::OnMessage<&CTaskbarNotifier::OnMouseHover>(WM_MOUSEHOVER),
    fw::OnMessage<&CTaskbarNotifier::OnMouseLeave>(WM_MOUSELEAVE),
    fw::OnMessage<&CTaskbarNotifier::OnSetCursor>(WM_SETCURSOR),
    fw::OnMessage<&CTaskbarNotifier::OnEraseBackground>(WM_ERASEBKGND),
    fw::OnPaint<&CTaskbarNotifier::OnPaint>(),
    fw::OnTimer<&CTaskbarNotifier::OnTimer>(),
    fw::OnDestroy<&CTaskbarNotifier::OnDestroy>(),
};
const fw::MessageMap CTaskbarNotifier::kMessageMap = fw::MakeMessageMap(&fw::CWnd::kMessageMap, kMessageEntries);

bool CTaskbarNotifier::CreateNoticeWindow() {
  if (!RegisterClass(kClassName, 0, ::GetSysColorBrush(COLOR_WINDOW), nullptr, ::LoadCursorW(nullptr, IDC_ARROW)))
    return false;
  return CreateEx(0, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr);
}

int CTaskbarNotifier::OnCreate(CREATESTRUCTW*) {
  ::SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
  ::ShowWindow(hwnd_, SW_SHOW);
  ::SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  hand_ = ::LoadCursorW(nullptr, IDC_HAND);
  return 0;
}

bool CTaskbarNotifier::LoadNoticeSkin(UINT bitmapId) {
  skin_.reset(static_cast<HBITMAP>(
      ::LoadImageW(fw::ThisModule(), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
  if (!skin_) return false;
  BITMAP bm{};
  ::GetObjectW(skin_.get(), sizeof bm, &bm);
  skinWidth_ = bm.bmWidth;
  skinHeight_ = bm.bmHeight;
  textRect_ = RECT{0, 0, skinWidth_, skinHeight_};
  return true;
}

void CTaskbarNotifier::SetNoticeFont() {
  fw::ClientDc dc(hwnd_);
  LOGFONTW lf{};
  lf.lfHeight = -::MulDiv(9, ::GetDeviceCaps(dc.get(), LOGPIXELSY), 72);
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, L"Arial", LF_FACESIZE);
  fw::UniqueFont first(::CreateFontIndirectW(&lf));
  LOGFONTW described{};
  if (first && ::GetObjectW(first.get(), sizeof described, &described)) lf = described;
  lf.lfWeight = FW_NORMAL;
  lf.lfItalic = FALSE;
  lf.lfUnderline = FALSE;
  font_.reset(::CreateFontIndirectW(&lf));
}

void CTaskbarNotifier::StartTimer(UINT_PTR id, UINT ms) { ::SetTimer(hwnd_, id, std::max<UINT>(ms, 1), nullptr); }

void CTaskbarNotifier::ShowNotice(const std::wstring& text) {
  caption_ = text;
  timeToShow_ = 500;
  timeToStay_ = 10000;
  timeToHide_ = 500;
  RECT rc{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rc, 0);
  const bimbly::notice::Area work{rc.left, rc.top, rc.right, rc.bottom};
  const auto placement =
      bimbly::notice::PlacementFor(work, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));

  switch (state_) {
    case kIdle: {
      ::ShowWindow(hwnd_, SW_SHOW);
      slide_ = bimbly::notice::PlanSlide(placement, work, skinWidth_, skinHeight_, increment_, timeToShow_,
                                         timeToHide_);
      currentX_ = slide_.startX;
      currentY_ = slide_.startY;
      StartTimer(kTimerAppear, slide_.showInterval);
      StartTimer(kTimerLastResort, kLastResortMs);
      break;
    }
    case kAppearing:
      ::InvalidateRect(hwnd_, nullptr, TRUE);
      break;
    case kWaiting:
      ::InvalidateRect(hwnd_, nullptr, TRUE);
      ::KillTimer(hwnd_, kTimerWait);
      StartTimer(kTimerWait, timeToStay_);
      break;
    case kDisappearing:
      ::KillTimer(hwnd_, kTimerHide);
      StartTimer(kTimerWait, timeToStay_);
      state_ = kWaiting;
      bimbly::notice::ShownPosition(slide_, currentX_, currentY_);
      MoveToCurrent();
      break;
  }
}

void CTaskbarNotifier::MoveToCurrent() {
  ::SetWindowPos(hwnd_, nullptr, currentX_, currentY_, skinWidth_, skinHeight_, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CTaskbarNotifier::OnTimer(UINT_PTR id) {
  switch (id) {
    case kTimerAppear: {
      state_ = kAppearing;
      if (!bimbly::notice::StepIn(slide_, currentX_, currentY_)) {
        ::KillTimer(hwnd_, kTimerAppear);
        StartTimer(kTimerWait, timeToStay_);
        state_ = kWaiting;
      }
      break;
    }
    case kTimerWait:
      ::KillTimer(hwnd_, kTimerWait);
      StartTimer(kTimerHide, slide_.hideInterval);
      break;
    case kTimerHide: {
      state_ = kDisappearing;
      if (!bimbly::notice::StepOut(slide_, currentX_, currentY_)) {
        ::KillTimer(hwnd_, kTimerHide);
        Hide();
        return;
      }
      break;
    }
    case kTimerLastResort:
      Hide();
      return;
    default:
      return;
  }
  MoveToCurrent();
}

void CTaskbarNotifier::Hide() {
  for (UINT_PTR id : {kTimerAppear, kTimerWait, kTimerHide, kTimerLastResort}) ::KillTimer(hwnd_, id);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(hwnd_, SW_HIDE);
  ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
  state_ = kIdle;
}

LRESULT CTaskbarNotifier::OnMouseMove(WPARAM, LPARAM) {
  TRACKMOUSEEVENT tme{sizeof tme, TME_HOVER | TME_LEAVE, hwnd_, 1};
  ::TrackMouseEvent(&tme);
  return 0;
}

LRESULT CTaskbarNotifier::OnMouseHover(WPARAM, LPARAM) {
  mouseOver_ = true;
  ::InvalidateRect(hwnd_, nullptr, TRUE);
  return 0;
}

LRESULT CTaskbarNotifier::OnMouseLeave(WPARAM, LPARAM) {
  mouseOver_ = false;
  ::InvalidateRect(hwnd_, nullptr, TRUE);
  return 0;
}

LRESULT CTaskbarNotifier::OnSetCursor(WPARAM, LPARAM lParam) {
  if (LOWORD(lParam) == HTCLIENT && hand_) {
    ::SetCursor(hand_);
    return TRUE;
  }
  return Default();
}

LRESULT CTaskbarNotifier::OnEraseBackground(WPARAM wParam, LPARAM) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  fw::UniqueMemoryDc mem(::CreateCompatibleDC(dc));
  if (mem && skin_) {
    fw::ScopedSelect select(mem.get(), skin_.get());
    ::BitBlt(dc, 0, 0, skinWidth_, skinHeight_, mem.get(), 0, 0, SRCCOPY);
  }
  return TRUE;
}

void CTaskbarNotifier::OnPaint() {
  fw::PaintDc dc(hwnd_);
  std::vector<wchar_t> buffer(caption_.size() + 10, L'\0');
  std::copy(caption_.begin(), caption_.end(), buffer.begin());
  fw::ScopedSelect select(dc.get(), font_.get());
  ::SetBkMode(dc.get(), TRANSPARENT);
  ::SetTextColor(dc.get(), textColour_);
  RECT rc = textRect_;
  ::DrawTextW(dc.get(), buffer.data(), -1, &rc, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_END_ELLIPSIS);
}

void CTaskbarNotifier::OnDestroy() { ::PostQuitMessage(0); }
