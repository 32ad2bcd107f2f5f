#include "style/skin.h"

#include "core/style_table.h"
#include "framework/memory_stream.h"

namespace {
COLORREF ToColour(bimbly::Rgb c) { return RGB(c.r, c.g, c.b); }
}  // namespace

SIZE CPictureBitmap::size() const {
  BITMAP bm{};
  if (!bitmap_ || !::GetObjectW(bitmap_, sizeof(bm), &bm)) return SIZE{0, 0};
  return SIZE{bm.bmWidth, bm.bmHeight};
}

std::unique_ptr<CPictureBitmap> LoadPictureResource(const wchar_t* name, const wchar_t* type, HINSTANCE instance) {
  const fw::ResourceBytes bytes = fw::FindResourceBytes(instance, name, type);
  fw::ComPtr<IStream> stream = fw::StreamOverCopy(bytes.data, bytes.size);
  if (!stream) return nullptr;
  fw::ComPtr<IPicture> picture;
  if (FAILED(::OleLoadPicture(stream.get(), static_cast<LONG>(bytes.size), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture.put()))))
    return nullptr;
  stream.reset();
  short kind = PICTYPE_NONE;
  OLE_HANDLE handle = 0;
  if (FAILED(picture->get_Type(&kind)) || kind != PICTYPE_BITMAP || FAILED(picture->get_Handle(&handle)) || !handle)
    return nullptr;
  return std::make_unique<CPictureBitmap>(std::move(picture), reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)));
}

CSkin::CSkin(int style) { SetStyle(style, nullptr); }

CSkin::~CSkin() {
  // The picture leaves the surface before either is deleted.
  if (surface_ && replaced_) ::SelectObject(surface_.get(), replaced_);
}

void CSkin::SetStyle(int style, HWND owner) {
  const bimbly::StyleEntry& s = bimbly::StyleFor(style);
  tree_ = ToColour(s.tree);
  bar_ = ToColour(s.bar);
  outer1_ = outer2_ = ToColour(s.outerBorder);
  inner1_ = inner2_ = ToColour(s.innerBorder);
  pictureType_ = listPictureType_ = bimbly::kStylePictureType;
  pictureName_ = s.pictureName;
  listPictureName_ = s.listPictureName;
  owner_ = owner;
  if (surface_ && replaced_) ::SelectObject(surface_.get(), replaced_);
  replaced_ = nullptr;
  surface_.reset();
  picture_.reset();
  pictureWidth_ = pictureHeight_ = 0;
}

void CSkin::PaintBackground(HDC target) {
  if (!owner_) return;
  if (!picture_) {
    auto picture = LoadPictureResource(pictureName_.c_str(), pictureType_.c_str(),
                                       resources_ ? resources_ : fw::ThisModule());
    if (!picture) return;
    fw::UniqueMemoryDc surface(::CreateCompatibleDC(nullptr));
    if (!surface) return;
    const SIZE size = picture->size();
    replaced_ = ::SelectObject(surface.get(), picture->handle());
    pictureWidth_ = size.cx;
    pictureHeight_ = size.cy;
    surface_ = std::move(surface);
    picture_ = std::move(picture);
  }
  if (!target) return;
  RECT rc{};
  ::GetClientRect(owner_, &rc);
  ::StretchBlt(target, 0, 0, rc.right - rc.left, rc.bottom - rc.top, surface_.get(), 0, 0, pictureWidth_,
               pictureHeight_, SRCCOPY);
}

void CSkin::DrawSplitterElement(HDC dc, bool isBar, const RECT& rect) const {
  if (isBar) {
    fw::UniqueBrush brush(::CreateSolidBrush(bar_));
    ::FillRect(dc, &rect, brush.get());
    return;
  }
  // Two 3-D rectangles, the inner one a system border inside the outer.
  auto draw3d = [dc](RECT r, COLORREF topLeft, COLORREF bottomRight) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    fw::UniqueBrush tl(::CreateSolidBrush(topLeft));
    fw::UniqueBrush br(::CreateSolidBrush(bottomRight));
    RECT top{r.left, r.top, r.left + w - 1, r.top + 1}, left{r.left, r.top, r.left + 1, r.top + h - 1};
    RECT right{r.right - 1, r.top, r.right, r.bottom}, bottom{r.left, r.bottom - 1, r.right, r.bottom};
    ::FillRect(dc, &top, tl.get());
    ::FillRect(dc, &left, tl.get());
    ::FillRect(dc, &right, br.get());
    ::FillRect(dc, &bottom, br.get());
  };
  RECT r = rect;
  draw3d(r, outer1_, outer2_);
  ::InflateRect(&r, -::GetSystemMetrics(SM_CXBORDER), -::GetSystemMetrics(SM_CYBORDER));
  draw3d(r, inner1_, inner2_);
}

LRESULT CSkin::OnCtlColorStatic(HDC dc, HWND control) {
  wchar_t cls[16] = {};
  ::GetClassNameW(control, cls, 16);
  if (::lstrcmpiW(cls, L"Static") != 0 && ::lstrcmpiW(cls, L"Button") != 0) return 0;
  ::SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(::GetStockObject(HOLLOW_BRUSH));
}
