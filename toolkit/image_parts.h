// The parts of CImageWnd that its three source files share: the decoded
// pictures (image_decoding.cpp), the drawing surface (image_surface.cpp) and
// the window around them (image_wnd.cpp). Internal to the toolkit.
#pragma once

#include "toolkit/image_wnd.h"

#include <objbase.h>

#include <algorithm>
// The GDI+ headers use unqualified min and max, which NOMINMAX hides.
using std::max;
using std::min;
#include <gdiplus.h>

#include <memory>
#include <mutex>
#include <vector>

#include "framework/handles.h"

namespace image_parts {

// A GDI+ image held by value: allocating the wrapper with its own operator
// new would go through GdipAlloc, which fails when GDI+ is not running.
struct ImageBox {
  explicit ImageBox(IStream* stream) : image(stream, FALSE) {}
  Gdiplus::Image image;
};
using ImagePtr = std::unique_ptr<ImageBox>;

// What a frame drawn at a window's size looks like.
struct DrawnKey {
  int width = 0;
  int height = 0;
  bool mirroredX = false;
  bool mirroredY = false;
  bool keyed = false;
  COLORREF key = 0;
  bool operator==(const DrawnKey& o) const {
    return width == o.width && height == o.height && mirroredX == o.mirroredX && mirroredY == o.mirroredY &&
           keyed == o.keyed && key == o.key;
  }
};

}  // namespace image_parts

struct CImageWnd::Pictures {
  std::mutex lock;  // images are used by the window thread and by flips from any thread
  image_parts::ImagePtr main;
  std::vector<image_parts::ImagePtr> frames;  // one per kept GIF frame; null where re-decoding failed
  std::vector<fw::ComPtr<IStream>> streams;
  std::vector<std::uint32_t> delaysMs;
  // Drawn pixels of each frame at the window's size, so that an animation
  // that cycles is drawn by GDI+ once per frame, not at every change. Kept for
  // each look (size, mirroring, colour key) lately shown, so that a copy that
  // turns back finds its frames still drawn; shared with every window showing
  // the same picture in the same look (image_surface.cpp).
  using DrawnKey = image_parts::DrawnKey;
  using DrawnPixels = std::shared_ptr<const std::vector<std::uint32_t>>;
  struct DrawnLook {
    DrawnKey key;
    std::vector<DrawnPixels> frames;
  };
  std::vector<DrawnLook> drawn;  // the latest last
  unsigned flips = 0;
  bool mirroredX = false;  // an odd number of left-right flips so far
  bool mirroredY = false;
  // The picture's identity among windows (a digest of its encoded bytes); 0: not shared.
  std::uint64_t pictureId = 0;
};


// The persistent 32-bit top-down drawing surface the window paints from.
struct CImageWnd::Surface {
  fw::UniqueMemoryDc dc;
  fw::UniqueBitmap bitmap;
  HGDIOBJ previous = nullptr;
  void* bits = nullptr;
  int width = 0;
  int height = 0;

  void Release();
  ~Surface() { Release(); }
  // A surface of w x h pixels, kept when the size is close enough.
  bool Ensure(int w, int h);
};
