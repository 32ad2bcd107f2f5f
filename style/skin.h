// The look of a skinned window: the colours of its style and its background
// picture, decoded once and kept in a memory surface for every later paint.
//
// CSkin is a plain second base class next to the window's framework base:
//
//   class CAboutDlg : public fw::CDialog, public CSkin { ... };
//
// The window styles its skin when its window exists (SetStyle with the
// current style and itself) and routes its paint and label colouring here:
//
//   const fw::MessageEntry CAboutDlg::kMessageEntries[] = {
//       SkinPaintEntry<CAboutDlg>(), SkinEraseEntry<CAboutDlg>(), SkinCtlColorEntry<CAboutDlg>(), ...
//   };
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <string>

#include "framework/handles.h"
#include "framework/window.h"

// A decoded picture: the bitmap and the picture object that owns it, which
// lives as long as the bitmap is in use.
class CPictureBitmap {
 public:
  CPictureBitmap(fw::ComPtr<IPicture> picture, HBITMAP bitmap) : picture_(std::move(picture)), bitmap_(bitmap) {}
  HBITMAP handle() const { return bitmap_; }
  SIZE size() const;

 private:
  fw::ComPtr<IPicture> picture_;
  HBITMAP bitmap_;
};

// Decodes a picture resource (JPEG, GIF, BMP) of the given module; nullptr
// when the resource is missing, empty or not decodable.
std::unique_ptr<CPictureBitmap> LoadPictureResource(const wchar_t* name, const wchar_t* type, HINSTANCE instance);

// The second base of every skinned window: its style's colours and background picture.
class CSkin {
 public:
  explicit CSkin(int style = 0);
  ~CSkin();
  CSkin(const CSkin&) = delete;
  CSkin& operator=(const CSkin&) = delete;

  // Takes the colours and picture names of a style and the window to paint
  // (none: a skin used only to look a style up). Called before the first paint.
  void SetStyle(int style, HWND owner);
  // Stretches the background picture over the owner's client area. The
  // picture is loaded from `resources` at the first call and kept; when it
  // cannot be had nothing is drawn and the next call tries again. A null
  // target only loads the picture.
  void PaintBackground(HDC target);
  bool hasPicture() const { return picture_ != nullptr; }
  // The module the pictures come from (default: the module this code is linked into).
  void SetResourceInstance(HINSTANCE instance) { resources_ = instance; }

  // Draws a splitter element: a bar is filled with the bar colour, any other
  // element gets two 3-D rectangles in the border colours.
  void DrawSplitterElement(HDC dc, bool isBar, const RECT& rect) const;

  // Colouring of a skinned dialog's labels, check boxes, radio buttons and
  // group boxes: transparent text over the hollow brush, so the picture shows.
  // Other controls (a disabled list or edit box asks the same) get 0: the
  // platform's default colouring.
  static LRESULT OnCtlColorStatic(HDC dc, HWND control);

  COLORREF treeColour() const { return tree_; }
  COLORREF barColour() const { return bar_; }
  const std::wstring& pictureName() const { return pictureName_; }
  const std::wstring& listPictureName() const { return listPictureName_; }

 private:
  COLORREF tree_ = 0;
  COLORREF bar_ = 0;
  COLORREF outer1_ = 0;
  COLORREF outer2_ = 0;
  COLORREF inner1_ = 0;
  COLORREF inner2_ = 0;
  std::wstring pictureType_;
  std::wstring pictureName_;
  std::wstring listPictureType_;
  std::wstring listPictureName_;
  HWND owner_ = nullptr;
  fw::UniqueMemoryDc surface_;
  std::unique_ptr<CPictureBitmap> picture_;
  HGDIOBJ replaced_ = nullptr;  // what the surface held before the picture
  int pictureWidth_ = 0;
  int pictureHeight_ = 0;
  HINSTANCE resources_ = nullptr;
};

// Message-table entries of a skinned window T (derived from a framework
// window and from CSkin).
template <class T>
constexpr fw::MessageEntry SkinPaintEntry() {
  return {WM_PAINT, fw::kAnyId, fw::kAnyCode, [](fw::CWnd& w, WPARAM, LPARAM) -> LRESULT {
            fw::PaintDc paint(w.hwnd());
            static_cast<CSkin&>(static_cast<T&>(w)).PaintBackground(paint.get());
            return 0;
          }};
}
// The picture covers the whole client area: no erasing under it. Without a
// picture the window's usual face colour shows.
template <class T>
constexpr fw::MessageEntry SkinEraseEntry() {
  return {WM_ERASEBKGND, fw::kAnyId, fw::kAnyCode, [](fw::CWnd& w, WPARAM wp, LPARAM) -> LRESULT {
            CSkin& skin = static_cast<CSkin&>(static_cast<T&>(w));
            skin.PaintBackground(nullptr);
            if (!skin.hasPicture()) {
              RECT rc{};
              ::GetClientRect(w.hwnd(), &rc);
              ::FillRect(reinterpret_cast<HDC>(wp), &rc, ::GetSysColorBrush(COLOR_3DFACE));
            }
            return TRUE;
          }};
}
template <class T>
constexpr fw::MessageEntry SkinCtlColorEntry() {
  return {WM_CTLCOLORSTATIC, fw::kAnyId, fw::kAnyCode, [](fw::CWnd&, WPARAM wp, LPARAM lp) -> LRESULT {
            return CSkin::OnCtlColorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
          }};
}
