// The flat owner-drawn push button of the launcher's and the updater's
// dialogs and tool bar: an icon or a bitmap (white transparent) with or
// without its caption, a raised one-pixel border while the mouse is over it,
// a sunken one while it is held down. In transparent mode it shows the
// parent's background behind itself, captured once; disabled, it serves as
// a label.
#pragma once

#include <windows.h>

#include "framework/handles.h"
#include "framework/window.h"

// The flat owner-drawn push button of every skinned dialog and of the toolbar.
class CButtonST : public fw::CWnd {
 public:
  CButtonST();
  ~CButtonST() override;

  // Attaches the object to the dialog's push button `id` and takes over its drawing.
  bool SubclassDlgItem(int id, HWND dialog);

  // Shows an icon (owned from now on). 0 on success, 1 when the icon cannot be read.
  int SetIcon(HICON icon);
  // Shows a bitmap (owned from now on) with white as its transparent colour.
  // 0 on success, 1 when the bitmap cannot be read, 2 when its mask cannot be made.
  int SetBitmap(HBITMAP bitmap);
  // Draws over the parent's background; it is captured again at the next paint.
  void SetTransparent();

  // Set directly by the owners before the first paint.
  bool greyImageWhenDisabled = true;  // embossed image when disabled
  bool keepTextColours = false;       // leave the DC's colours alone; plain disabled text at the top left
  BYTE imageAlignment = 0;            // 0 image left of the text, 1 image above it

  bool hover() const { return hover_; }

 protected:
  virtual void PreSubclassWindow();
  virtual void DrawItem(const DRAWITEMSTRUCT& item);
  virtual void PaintFace(HDC dc, const RECT& rect);
  virtual void PaintEdge(HDC dc, const RECT& rect);
  FW_DECLARE_MESSAGE_MAP()

 private:
  void OnDrawItem(DRAWITEMSTRUCT* item) { DrawItem(*item); }
  LRESULT OnKillFocus(WPARAM, LPARAM);
  LRESULT OnMouseMove(WPARAM, LPARAM);
  LRESULT OnMouseLeave(WPARAM, LPARAM);
  LRESULT OnSysColorChange(WPARAM, LPARAM);
  LRESULT OnEnable(WPARAM, LPARAM);
  LRESULT OnCancelMode(WPARAM, LPARAM);
  LRESULT OnGetDlgCode(WPARAM, LPARAM);
  LRESULT OnEraseBackground(WPARAM, LPARAM);
  LRESULT OnSetStyle(WPARAM, LPARAM);
  LRESULT OnDoubleClick(WPARAM, LPARAM);

  void ClearHover();
  void FreeImages();
  void DropBackground();
  void Redraw() { if (hwnd_) ::InvalidateRect(hwnd_, nullptr, TRUE); }
  bool CaptureBackground(const RECT& client);
  void DrawImage(HDC dc, const RECT& client, RECT& textRect, bool hasText);

  bool hover_ = false;
  bool transparent_ = false;
  bool pressed_ = false;
  bool disabled_ = false;
  bool defaultButton_ = false;
  COLORREF hotBack_, hotText_, normalBack_, normalText_;
  // The parent's background under the button, for transparent mode.
  fw::UniqueMemoryDc backDc_;
  fw::UniqueBitmap backBitmap_;
  HGDIOBJ backReplaced_ = nullptr;
  bool paintedOnce_ = false;
  fw::UniqueIcon icon_;
  int iconWidth_ = 0, iconHeight_ = 0;
  fw::UniqueBitmap bitmap_;
  fw::UniqueBitmap mask_;
  int bitmapWidth_ = 0, bitmapHeight_ = 0;
  COLORREF transparentColour_ = RGB(255, 255, 255);
};
