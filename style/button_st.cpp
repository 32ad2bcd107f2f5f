#include "style/button_st.h"

#include <commctrl.h>

#include <string>

#include "framework/text.h"

namespace {
constexpr LONG kTypeBits = 0x1F;
constexpr int kImageMargin = 3;

void Draw3dRect(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  fw::UniqueBrush tl(::CreateSolidBrush(topLeft));
  fw::UniqueBrush br(::CreateSolidBrush(bottomRight));
  const RECT top{r.left, r.top, r.right - 1, r.top + 1};
  const RECT left{r.left, r.top, r.left + 1, r.bottom - 1};
  const RECT right{r.right - 1, r.top, r.right, r.bottom};
  const RECT bottom{r.left, r.bottom - 1, r.right, r.bottom};
  ::FillRect(dc, &top, tl.get());
  ::FillRect(dc, &left, tl.get());
  ::FillRect(dc, &right, br.get());
  ::FillRect(dc, &bottom, br.get());
}
}  // namespace

const fw::MessageEntry CButtonST::kMessageEntries[] = {
    fw::OnDrawItemReflect<&CButtonST::OnDrawItem>(),
    fw::OnMessage<&CButtonST::OnKillFocus>(WM_KILLFOCUS),
    fw::OnMessage<&CButtonST::OnMouseMove>(WM_MOUSEMOVE),
    fw::OnMessage<&CButtonST::OnMouseLeave>(WM_MOUSELEAVE),
    fw::OnMessage<&CButtonST::OnSysColorChange>(WM_SYSCOLORCHANGE),
    fw::OnMessage<&CButtonST::OnEnable>(WM_ENABLE),
    fw::OnMessage<&CButtonST::OnCancelMode>(WM_CANCELMODE),
    fw::OnMessage<&CButtonST::OnGetDlgCode>(WM_GETDLGCODE),
    fw::OnMessage<&CButtonST::OnEraseBackground>(WM_ERASEBKGND),
    fw::OnMessage<&CButtonST::OnSetStyle>(BM_SETSTYLE),
    fw::OnMessage<&CButtonST::OnDoubleClick>(WM_LBUTTONDBLCLK),
};
const fw::MessageMap CButtonST::kMessageMap = fw::MakeMessageMap(&fw::CWnd::kMessageMap, kMessageEntries);

CButtonST::CButtonST()
    : hotBack_(::GetSysColor(COLOR_BTNFACE)),
      hotText_(::GetSysColor(COLOR_BTNTEXT)),
      normalBack_(::GetSysColor(COLOR_BTNFACE)),
      normalText_(::GetSysColor(COLOR_BTNTEXT)) {}

CButtonST::~CButtonST() {
  DropBackground();
  FreeImages();
}

bool CButtonST::SubclassDlgItem(int id, HWND dialog) {
  HWND button = ::GetDlgItem(dialog, id);
  if (!button || !SubclassControl(button)) return false;
  PreSubclassWindow();
  return true;
}

void CButtonST::PreSubclassWindow() {
  const LONG style = ::GetWindowLongW(hwnd_, GWL_STYLE);
  defaultButton_ = (style & kTypeBits) == BS_DEFPUSHBUTTON;
  ::SetWindowLongW(hwnd_, GWL_STYLE, (style & ~kTypeBits) | BS_OWNERDRAW);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------- images

void CButtonST::FreeImages() {
  icon_.reset();
  bitmap_.reset();
  mask_.reset();
  iconWidth_ = iconHeight_ = bitmapWidth_ = bitmapHeight_ = 0;
}

int CButtonST::SetIcon(HICON icon) {
  FreeImages();
  icon_.reset(icon);
  ICONINFO info{};
  if (!icon || !::GetIconInfo(icon, &info)) {
    FreeImages();
    return 1;
  }
  iconWidth_ = static_cast<int>(info.xHotspot) * 2;
  iconHeight_ = static_cast<int>(info.yHotspot) * 2;
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  if (info.hbmMask) ::DeleteObject(info.hbmMask);
  Redraw();
  return 0;
}

int CButtonST::SetBitmap(HBITMAP bitmap) {
  FreeImages();
  bitmap_.reset(bitmap);
  transparentColour_ = RGB(255, 255, 255);
  BITMAP bm{};
  if (!bitmap || !::GetObjectW(bitmap, sizeof(bm), &bm)) {
    FreeImages();
    return 1;
  }
  bitmapWidth_ = bm.bmWidth;
  bitmapHeight_ = bm.bmHeight;

  // The mask is 1 where the bitmap has the transparent colour; there the
  // bitmap itself becomes black, so AND-mask then OR-bitmap leaves the
  // background showing.
  fw::UniqueMemoryDc colourDc(::CreateCompatibleDC(nullptr));
  fw::UniqueMemoryDc maskDc(::CreateCompatibleDC(nullptr));
  mask_.reset(::CreateBitmap(bm.bmWidth, bm.bmHeight, 1, 1, nullptr));
  if (!colourDc || !maskDc || !mask_) {
    FreeImages();
    return 2;
  }
  {
    fw::ScopedSelect c(colourDc.get(), bitmap_.get());
    fw::ScopedSelect m(maskDc.get(), mask_.get());
    ::SetBkColor(colourDc.get(), transparentColour_);
    ::BitBlt(maskDc.get(), 0, 0, bm.bmWidth, bm.bmHeight, colourDc.get(), 0, 0, SRCCOPY);
    ::SetBkColor(colourDc.get(), RGB(0, 0, 0));
    ::SetTextColor(colourDc.get(), RGB(255, 255, 255));
    ::BitBlt(colourDc.get(), 0, 0, bm.bmWidth, bm.bmHeight, maskDc.get(), 0, 0, SRCAND);
  }
  Redraw();
  return 0;
}

// ---------------------------------------------------------------- transparency

void CButtonST::SetTransparent() {
  transparent_ = true;
  DropBackground();
  Redraw();
}

void CButtonST::DropBackground() {
  if (backDc_ && backReplaced_) ::SelectObject(backDc_.get(), backReplaced_);
  backReplaced_ = nullptr;
  backDc_.reset();
  backBitmap_.reset();
}

bool CButtonST::CaptureBackground(const RECT& client) {
  HWND parent = ::GetParent(hwnd_);
  if (!parent) return false;
  // What lies under the button is what the parent has painted: let a parent
  // whose paint is still pending paint first.
  ::UpdateWindow(parent);
  RECT rc{};
  ::GetWindowRect(hwnd_, &rc);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
  fw::ClientDc parentDc(parent);
  if (!parentDc.get()) return false;
  const int w = client.right - client.left, h = client.bottom - client.top;
  fw::UniqueMemoryDc dc(::CreateCompatibleDC(parentDc.get()));
  fw::UniqueBitmap bitmap(::CreateCompatibleBitmap(parentDc.get(), w, h));
  if (!dc || !bitmap) return false;
  HGDIOBJ replaced = ::SelectObject(dc.get(), bitmap.get());
  if (!::BitBlt(dc.get(), 0, 0, w, h, parentDc.get(), rc.left, rc.top, SRCCOPY)) {
    ::SelectObject(dc.get(), replaced);
    return false;
  }
  backDc_ = std::move(dc);
  backBitmap_ = std::move(bitmap);
  backReplaced_ = replaced;
  return true;
}

// ---------------------------------------------------------------- drawing

void CButtonST::PaintFace(HDC dc, const RECT& rect) {
  fw::UniqueBrush brush(::CreateSolidBrush((hover_ || pressed_) ? hotBack_ : normalBack_));
  ::FillRect(dc, &rect, brush.get());
}

void CButtonST::PaintEdge(HDC dc, const RECT& rect) {
  const COLORREF light = ::GetSysColor(COLOR_3DHILIGHT);
  const COLORREF shadow = ::GetSysColor(COLOR_3DSHADOW);
  if (pressed_)
    Draw3dRect(dc, rect, shadow, light);
  else
    Draw3dRect(dc, rect, light, shadow);
}

void CButtonST::DrawImage(HDC dc, const RECT& client, RECT& textRect, bool hasText) {
  const bool isIcon = static_cast<bool>(icon_);
  const int w = isIcon ? iconWidth_ : bitmapWidth_;
  const int h = isIcon ? iconHeight_ : bitmapHeight_;
  const int cw = client.right - client.left, ch = client.bottom - client.top;
  int x, y;
  if (!hasText) {
    x = client.left + (cw - w) / 2;
    y = client.top + (ch - h) / 2;
  } else if (imageAlignment == 0) {
    x = client.left + kImageMargin;
    y = client.top + (ch - h) / 2;
    textRect.left += w + kImageMargin;
  } else {
    x = client.left + (cw - w) / 2;
    y = client.top + kImageMargin;
    textRect.top += h;
  }
  if (pressed_) {
    ++x;
    ++y;
  }
  const bool grey = greyImageWhenDisabled && disabled_;
  if (isIcon) {
    ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon_.get()), 0, x, y, w, h,
                 DST_ICON | (grey ? DSS_DISABLED : DSS_NORMAL));
    return;
  }
  fw::UniqueMemoryDc source(::CreateCompatibleDC(dc));
  if (!source) return;
  if (grey) {
    // The picture on white, drawn in the disabled look.
    fw::UniqueBitmap onWhite(::CreateCompatibleBitmap(dc, w, h));
    if (!onWhite) return;
    {
      fw::UniqueMemoryDc white(::CreateCompatibleDC(dc));
      fw::ScopedSelect s1(white.get(), onWhite.get());
      const RECT all{0, 0, w, h};
      ::FillRect(white.get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
      fw::ScopedSelect s2(source.get(), mask_.get());
      ::SetTextColor(white.get(), RGB(0, 0, 0));
      ::SetBkColor(white.get(), RGB(255, 255, 255));
      ::BitBlt(white.get(), 0, 0, w, h, source.get(), 0, 0, SRCAND);
      fw::ScopedSelect s3(source.get(), bitmap_.get());
      ::BitBlt(white.get(), 0, 0, w, h, source.get(), 0, 0, SRCPAINT);
    }
    ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(onWhite.get()), 0, x, y, w, h,
                 DST_BITMAP | DSS_DISABLED);
    return;
  }
  const COLORREF oldText = ::SetTextColor(dc, RGB(0, 0, 0));
  const COLORREF oldBack = ::SetBkColor(dc, RGB(255, 255, 255));
  {
    fw::ScopedSelect m(source.get(), mask_.get());
    ::BitBlt(dc, x, y, w, h, source.get(), 0, 0, SRCAND);
  }
  {
    fw::ScopedSelect b(source.get(), bitmap_.get());
    ::BitBlt(dc, x, y, w, h, source.get(), 0, 0, SRCPAINT);
  }
  ::SetTextColor(dc, oldText);
  ::SetBkColor(dc, oldBack);
}

void CButtonST::DrawItem(const DRAWITEMSTRUCT& item) {
  if (!paintedOnce_) return;
  HDC dc = item.hDC;
  pressed_ = (item.itemState & ODS_SELECTED) != 0;
  disabled_ = (item.itemState & ODS_DISABLED) != 0;
  RECT client = item.rcItem;
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);

  if (transparent_) {
    if (!backDc_) CaptureBackground(client);
    if (backDc_)
      ::BitBlt(dc, client.left, client.top, client.right - client.left, client.bottom - client.top, backDc_.get(), 0,
               0, SRCCOPY);
  } else {
    PaintFace(dc, client);
  }
  if (pressed_ || hover_) PaintEdge(dc, client);

  const std::wstring text = fw::GetWindowTextString(hwnd_);
  RECT textRect = client;
  if (icon_ || bitmap_) DrawImage(dc, client, textRect, !text.empty());

  if (!text.empty()) {
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(hwnd_, WM_GETFONT, 0, 0));
    fw::ScopedSelect selectFont(dc, font);
    if (disabled_ && keepTextColours) {
      // A label: plain text from the top-left corner, in the DC's colours.
      RECT r = client;
      ::DrawTextW(dc, text.c_str(), -1, &r, DT_WORDBREAK | DT_LEFT);
    } else {
      if (pressed_) ::OffsetRect(&textRect, 1, 1);
      RECT measured = textRect;
      ::DrawTextW(dc, text.c_str(), -1, &measured, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
      const int mw = measured.right - measured.left, mh = measured.bottom - measured.top;
      RECT centred{textRect.left + (textRect.right - textRect.left - mw) / 2,
                   textRect.top + (textRect.bottom - textRect.top - mh) / 2, 0, 0};
      centred.right = centred.left + mw;
      centred.bottom = centred.top + mh;
      if (!disabled_) {
        if (!keepTextColours) {
          const bool hot = hover_ || pressed_;
          ::SetTextColor(dc, hot ? hotText_ : normalText_);
          ::SetBkColor(dc, hot ? hotBack_ : normalBack_);
        }
        ::DrawTextW(dc, text.c_str(), -1, &centred, DT_WORDBREAK | DT_CENTER);
      } else if (transparent_) {
        // Over a skin's pale picture the embossed caption all but vanishes:
        // plain grey text still reads as off.
        ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
        ::DrawTextW(dc, text.c_str(), -1, &centred, DT_WORDBREAK | DT_CENTER);
      } else {
        RECT shifted = centred;
        ::OffsetRect(&shifted, 1, 1);
        ::SetTextColor(dc, ::GetSysColor(COLOR_3DHILIGHT));
        ::DrawTextW(dc, text.c_str(), -1, &shifted, DT_WORDBREAK | DT_CENTER);
        ::SetTextColor(dc, ::GetSysColor(COLOR_3DSHADOW));
        ::DrawTextW(dc, text.c_str(), -1, &centred, DT_WORDBREAK | DT_CENTER);
      }
    }
  }
  ::SetBkMode(dc, oldMode);
}

// ---------------------------------------------------------------- messages

void CButtonST::ClearHover() {
  if (!hover_) return;
  hover_ = false;
  Redraw();
}

LRESULT CButtonST::OnKillFocus(WPARAM, LPARAM) {
  const LRESULT r = Default();
  ClearHover();
  return r;
}

LRESULT CButtonST::OnMouseMove(WPARAM wp, LPARAM lp) {
  const LRESULT r = Default();
  if ((wp & MK_LBUTTON) && !hover_) return r;
  POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  ::ClientToScreen(hwnd_, &pt);
  if (::WindowFromPoint(pt) == hwnd_) {
    if (hover_) return r;
    hover_ = true;
    Redraw();
    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, hwnd_, 0};
    ::TrackMouseEvent(&tme);
  } else {
    ClearHover();
  }
  return r;
}

LRESULT CButtonST::OnMouseLeave(WPARAM, LPARAM) {
  ClearHover();
  return 0;
}

LRESULT CButtonST::OnSysColorChange(WPARAM, LPARAM) {
  const LRESULT r = Default();
  DropBackground();
  Redraw();
  return r;
}

LRESULT CButtonST::OnEnable(WPARAM wp, LPARAM) {
  const LRESULT r = Default();
  if (!wp) {
    // A disabled button cannot keep the focus: it goes on to the next control.
    HWND parent = ::GetParent(hwnd_);
    if (::GetFocus() == hwnd_ && parent) {
      HWND next = ::GetNextDlgTabItem(parent, hwnd_, FALSE);
      ::SetFocus(next && next != hwnd_ ? next : parent);
    }
    ClearHover();
  }
  return r;
}

LRESULT CButtonST::OnCancelMode(WPARAM, LPARAM) {
  const LRESULT r = Default();
  ClearHover();
  return r;
}

LRESULT CButtonST::OnGetDlgCode(WPARAM, LPARAM) {
  LRESULT code = Default();
  code &= ~static_cast<LRESULT>(DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
  return code | (defaultButton_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

LRESULT CButtonST::OnEraseBackground(WPARAM, LPARAM) {
  paintedOnce_ = true;
  return TRUE;
}

LRESULT CButtonST::OnSetStyle(WPARAM wp, LPARAM lp) {
  const UINT type = static_cast<UINT>(wp) & kTypeBits;
  if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) defaultButton_ = type == BS_DEFPUSHBUTTON;
  return DefaultProc(BM_SETSTYLE, (wp & ~static_cast<WPARAM>(kTypeBits)) | BS_OWNERDRAW, lp);
}

LRESULT CButtonST::OnDoubleClick(WPARAM wp, LPARAM lp) { return DefaultProc(WM_LBUTTONDOWN, wp, lp); }
