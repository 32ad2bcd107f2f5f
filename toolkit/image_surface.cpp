// The drawing surface: the picture drawn into it at the window's size (each
// frame once, then copied), shown through the layered-window or plain path,
// and copied out for whoever asks.
#include "toolkit/image_parts.h"

#include <cstring>
#include <map>
#include <tuple>

#include "core/image_rules.h"

namespace {
namespace rules = bimbly::image;

// Frames drawn once for every window of this module that shows the same
// picture in the same look (the copies of a board): each window holds what it
// uses, and a frame goes when the last window holding it lets it go.
using image_parts::DrawnKey;
struct SharedKey {
  std::uint64_t picture;
  std::size_t frame;
  DrawnKey look;
  bool operator<(const SharedKey& o) const {
    return std::tie(picture, frame, look.width, look.height, look.mirroredX, look.mirroredY, look.keyed, look.key) <
           std::tie(o.picture, o.frame, o.look.width, o.look.height, o.look.mirroredX, o.look.mirroredY, o.look.keyed,
                    o.look.key);
  }
};
using Pixels = std::vector<std::uint32_t>;
struct SharedFrames {
  std::mutex lock;
  std::map<SharedKey, std::weak_ptr<const Pixels>> frames;
};
// At namespace scope, made when the module loads: a function-local static
// would be guarded through the threads library linked into each module,
// which keeps a record of the first thread to use it (with an event and a
// thread handle) and loses it with the module when it is freed.
SharedFrames g_shared;
SharedFrames& Shared() { return g_shared; }

std::shared_ptr<const Pixels> FindShared(const SharedKey& key) {
  SharedFrames& s = Shared();
  std::lock_guard<std::mutex> guard(s.lock);
  auto it = s.frames.find(key);
  return it == s.frames.end() ? nullptr : it->second.lock();
}

void AddShared(const SharedKey& key, const std::shared_ptr<const Pixels>& pixels) {
  SharedFrames& s = Shared();
  std::lock_guard<std::mutex> guard(s.lock);
  // Frames no window holds any more are dropped on the way.
  for (auto it = s.frames.begin(); it != s.frames.end();) it = it->second.expired() ? s.frames.erase(it) : ++it;
  s.frames[key] = pixels;
}

// Looks a window keeps drawn frames of: the mirror states of one size.
constexpr std::size_t kLooksKept = 4;
}  // namespace

std::size_t CImageWnd::SharedFramesHeld() {
  SharedFrames& s = Shared();
  std::lock_guard<std::mutex> guard(s.lock);
  std::size_t held = 0;
  for (const auto& entry : s.frames) held += entry.second.expired() ? 0 : 1;
  return held;
}

void CImageWnd::Surface::Release() {
  if (dc && previous) ::SelectObject(dc.get(), previous);
  previous = nullptr;
  bitmap.reset();
  dc.reset();
  bits = nullptr;
  width = height = 0;
}

namespace {
// 32-bit pixels, top row first, as the surface and the drawn pictures hold them.
BITMAPINFO TopDownPixels(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(rules::SurfaceBytes(width, height));
  return info;
}
}  // namespace

bool CImageWnd::Surface::Ensure(int w, int h) {
  if (bits && !rules::SurfaceNeedsRebuild(width, height, w, h)) return true;
  Release();
  fw::UniqueMemoryDc newDc(::CreateCompatibleDC(nullptr));
  if (!newDc) return false;
  const BITMAPINFO info = TopDownPixels(w, h);  // so GDI+ can draw straight into it
  void* newBits = nullptr;
  fw::UniqueBitmap newBitmap(::CreateDIBSection(newDc.get(), &info, DIB_RGB_COLORS, &newBits, nullptr, 0));
  if (!newBitmap || !newBits) return false;
  previous = ::SelectObject(newDc.get(), newBitmap.get());
  dc = std::move(newDc);
  bitmap = std::move(newBitmap);
  bits = newBits;
  width = w;
  height = h;
  return true;
}

void CImageWnd::Draw(int width, int height) {
  Pictures& p = *pictures_;
  std::lock_guard<std::mutex> guard(p.lock);
  Gdiplus::Image* picture = nullptr;
  switch (format_) {
    case Format::kNone:
      return;
    case Format::kPng:
    case Format::kIcon:
      picture = p.main ? &p.main->image : nullptr;
      break;
    case Format::kGif: {
      const auto frame = static_cast<std::size_t>(currentFrame_.load());
      picture = frame < p.frames.size() && p.frames[frame] ? &p.frames[frame]->image : nullptr;
      break;
    }
    case Format::kBmp:
      picture = p.main ? &p.main->image : nullptr;
      break;
    default:
      picture = p.main ? &p.main->image : nullptr;
      break;
  }
  // Only a layered GIF or BMP has a colour made into holes: PNG and icons
  // bring their own alpha, the rest is drawn opaque.
  const bool keyed = layered && colorKeyOn && (format_ == Format::kGif || format_ == Format::kBmp);
  if (!picture) return;
  // A frame drawn before in this look, by this window or another showing the
  // same picture, is copied, not drawn again.
  const std::size_t bytes = rules::SurfaceBytes(width, height);
  const std::size_t frame = format_ == Format::kGif ? static_cast<std::size_t>(currentFrame_.load()) : 0;
  Pictures::DrawnKey key;
  key.width = width;
  key.height = height;
  key.mirroredX = p.mirroredX;
  key.mirroredY = p.mirroredY;
  key.keyed = keyed;
  key.key = colorKey;
  const std::size_t frames = format_ == Format::kGif ? p.frames.size() : 1;
  const bool cacheable = frames * bytes <= rules::kMaxDrawnCacheBytes;
  auto look = std::find_if(p.drawn.begin(), p.drawn.end(), [&](const Pictures::DrawnLook& l) { return l.key == key; });
  if (cacheable && look == p.drawn.end()) {
    if (p.drawn.size() >= kLooksKept) p.drawn.erase(p.drawn.begin());
    p.drawn.push_back({key, std::vector<Pictures::DrawnPixels>(frames)});
    look = p.drawn.end() - 1;
  }
  const SharedKey shared{p.pictureId, frame, key};
  if (cacheable && frame < look->frames.size()) {
    Pictures::DrawnPixels& held = look->frames[frame];
    if (!held && p.pictureId) held = FindShared(shared);
    if (held && held->size() * sizeof(std::uint32_t) == bytes) {
      std::memcpy(surface_->bits, held->data(), bytes);
      return;
    }
  }
  // GDI+ draws straight into the surface's pixels as premultiplied ARGB, so
  // the alpha channel it produces is exactly what the layered window shows.
  Gdiplus::Bitmap canvas(width, height, static_cast<INT>(rules::SurfaceStride(width)), PixelFormat32bppPARGB,
                         static_cast<BYTE*>(surface_->bits));
  if (canvas.GetLastStatus() != Gdiplus::Ok) return;
  Gdiplus::Graphics graphics(&canvas);
  if (graphics.GetLastStatus() != Gdiplus::Ok) return;
  Gdiplus::ImageAttributes attributes;
  if (keyed) {
    const COLORREF key = colorKey;
    const Gdiplus::Color argb(255, GetRValue(key), GetGValue(key), GetBValue(key));
    attributes.SetColorKey(argb, argb, Gdiplus::ColorAdjustTypeDefault);
  }
  // Without this, stretching fades the picture's outer pixels towards transparent.
  attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  if (graphics.DrawImage(picture, Gdiplus::Rect(0, 0, width, height), 0, 0, imageWidth_, imageHeight_,
                         Gdiplus::UnitPixel, &attributes) != Gdiplus::Ok || !cacheable || frame >= look->frames.size())
    return;
  graphics.Flush(Gdiplus::FlushIntentionSync);
  const auto* pixels = static_cast<const std::uint32_t*>(surface_->bits);
  auto drawn = std::make_shared<const Pixels>(pixels, pixels + bytes / sizeof(std::uint32_t));
  look->frames[frame] = drawn;
  if (p.pictureId) AddShared(shared, drawn);
}

void CImageWnd::Render(int width, int height) {
  if (const void* own = OwnPicture(width, height)) {
    std::memcpy(surface_->bits, own, rules::SurfaceBytes(width, height));
    return;
  }
  std::memset(surface_->bits, 0, rules::SurfaceBytes(width, height));
  Draw(width, height);
}

bool CImageWnd::PaintOwnPicture(HDC paintDc, int width, int height) {
  const void* own = OwnPicture(width, height);
  if (!own) return false;
  const BITMAPINFO info = TopDownPixels(width, height);
  return ::SetDIBitsToDevice(paintDc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                             static_cast<UINT>(height), own, &info, DIB_RGB_COLORS) != 0;
}

bool CImageWnd::HandOverLayered(HDC paintDc, POINT* destination, int width, int height) {
  SIZE size{width, height};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  return ::UpdateLayeredWindow(hwnd_, paintDc, destination, &size, surface_->dc.get(), &source, 0, &blend,
                               ULW_ALPHA) != FALSE;
}

void CImageWnd::Present(HDC paintDc, const RECT& rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  // The style, not the flag, decides: the style is fixed at creation.
  if (::GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYERED) {
    POINT destination{rect.left, rect.top};
    HandOverLayered(paintDc, &destination, width, height);
  } else {
    ::BitBlt(paintDc, 0, 0, width, height, surface_->dc.get(), 0, 0, SRCCOPY);
  }
}

namespace {
struct SnapshotRequest {
  std::vector<std::uint32_t>* pixels;
  int width;
  int height;
};
}  // namespace

LRESULT CImageWnd::OnSnapshot(WPARAM, LPARAM lParam) {
  auto* request = reinterpret_cast<SnapshotRequest*>(lParam);
  if (!request) return 0;
  if (!surface_->bits && hwnd_) {
    // Painted straight from its own pixels: drawn now for whoever looks.
    RECT rect{};
    ::GetWindowRect(hwnd_, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width > 0 && height > 0 && OwnPicture(width, height) && surface_->Ensure(width, height))
      Render(width, height);
  }
  if (!surface_->bits) return 0;
  const Surface& s = *surface_;
  request->pixels->assign(static_cast<const std::uint32_t*>(s.bits),
                          static_cast<const std::uint32_t*>(s.bits) + static_cast<std::size_t>(s.width) * s.height);
  request->width = s.width;
  request->height = s.height;
  return 1;
}

bool CImageWnd::SnapshotSurface(std::vector<std::uint32_t>& pixels, int& width, int& height, DWORD timeoutMs) {
  HWND h = hwnd_;
  if (!h) return false;
  SnapshotRequest request{&pixels, 0, 0};
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(h, kSnapshotMessage, 0, reinterpret_cast<LPARAM>(&request), SMTO_ABORTIFHUNG,
                             timeoutMs, &result) ||
      result != 1)
    return false;
  width = request.width;
  height = request.height;
  return true;
}
