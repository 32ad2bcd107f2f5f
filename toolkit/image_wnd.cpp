#include "toolkit/image_wnd.h"

#include <algorithm>
// The GDI+ headers use unqualified min and max, which NOMINMAX hides.
using std::max;
using std::min;
#include <gdiplus.h>
#include <imm.h>
#include <objbase.h>

#include <cstring>
#include <mutex>
#include <string>

#include "framework/handles.h"
#include "framework/text.h"
#include "core/image_rules.h"
#include "core/picture_check.h"

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

// GDI+ raw formats and the time dimension, spelt out so that no GUID
// definitions from the GDI+ import library are needed.
constexpr GUID kFormatJpeg = {0xB96B3CAE, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr GUID kFormatPng = {0xB96B3CAF, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr GUID kFormatGif = {0xB96B3CB0, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr GUID kFormatBmp = {0xB96B3CAB, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr GUID kFormatIcon = {0xB96B3CB5, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr GUID kDimensionTime = {0x6AEDBD6D, 0x3FB5, 0x418A, {0x83, 0xA6, 0x7F, 0x45, 0x22, 0x9D, 0xC8, 0x72}};
constexpr PROPID kFrameDelayTag = 0x5100;

CImageWnd::Format Classify(const GUID& raw) {
  if (IsEqualGUID(raw, kFormatJpeg)) return CImageWnd::Format::kJpeg;
  if (IsEqualGUID(raw, kFormatPng)) return CImageWnd::Format::kPng;
  if (IsEqualGUID(raw, kFormatGif)) return CImageWnd::Format::kGif;
  if (IsEqualGUID(raw, kFormatBmp)) return CImageWnd::Format::kBmp;
  if (IsEqualGUID(raw, kFormatIcon)) return CImageWnd::Format::kIcon;
  return CImageWnd::Format::kOther;
}

// A GDI+ image held by value: allocating the wrapper with its own operator
// new would go through GdipAlloc, which fails when GDI+ is not running.
struct ImageBox {
  explicit ImageBox(IStream* stream) : image(stream, FALSE) {}
  Gdiplus::Image image;
};
using ImagePtr = std::unique_ptr<ImageBox>;

// GDI+ reads an image lazily from its stream, so the stream must outlive it.
ImagePtr DecodeImage(IStream* stream) {
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  auto image = std::make_unique<ImageBox>(stream);
  if (image->image.GetLastStatus() != Gdiplus::Ok) image.reset();
  return image;
}

bool FindPngEncoder(CLSID* clsid) {
  UINT count = 0;
  UINT bytes = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || count == 0 || bytes == 0) return false;
  std::vector<unsigned char> buffer(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

std::vector<std::uint32_t> ReadFrameDelays(Gdiplus::Image& image) {
  std::vector<std::uint32_t> delays;
  const UINT size = image.GetPropertyItemSize(kFrameDelayTag);
  if (size < sizeof(Gdiplus::PropertyItem)) return delays;
  std::vector<unsigned char> buffer(size);
  auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
  if (image.GetPropertyItem(kFrameDelayTag, size, item) != Gdiplus::Ok || !item->value) return delays;
  // Never trust the item's own length beyond the block GDI+ filled.
  const auto* begin = static_cast<const unsigned char*>(item->value);
  const auto* end = buffer.data() + buffer.size();
  if (begin < buffer.data() || begin > end) return delays;
  const std::size_t available = static_cast<std::size_t>(end - begin);
  const std::size_t n = std::min<std::size_t>(item->length, available) / sizeof(std::uint32_t);
  delays.resize(n);
  if (n) std::memcpy(delays.data(), begin, n * sizeof(std::uint32_t));
  return delays;
}

}  // namespace

struct CImageWnd::Pictures {
  std::mutex lock;  // images are used by the window thread and by flips from any thread
  ImagePtr main;
  std::vector<ImagePtr> frames;  // one per kept GIF frame; null where re-decoding failed
  std::vector<fw::ComPtr<IStream>> streams;
  std::vector<std::uint32_t> delaysMs;
  // Drawn pixels of each frame at the window's size, so that an animation
  // that cycles is drawn by GDI+ once per frame, not at every change. Valid
  // while the key (size, flips, colour key) stays the same.
  struct DrawnKey {
    int width = 0;
    int height = 0;
    unsigned flips = 0;
    bool keyed = false;
    COLORREF key = 0;
    bool operator==(const DrawnKey& o) const {
      return width == o.width && height == o.height && flips == o.flips && keyed == o.keyed && key == o.key;
    }
  };
  DrawnKey drawnKey;
  std::vector<std::vector<std::uint32_t>> drawn;
  unsigned flips = 0;
};

struct CImageWnd::Surface {
  fw::UniqueMemoryDc dc;
  fw::UniqueBitmap bitmap;
  HGDIOBJ previous = nullptr;
  void* bits = nullptr;
  int width = 0;
  int height = 0;

  void Release() {
    if (dc && previous) ::SelectObject(dc.get(), previous);
    previous = nullptr;
    bitmap.reset();
    dc.reset();
    bits = nullptr;
    width = height = 0;
  }
  ~Surface() { Release(); }

  bool Ensure(int w, int h) {
    if (bits && !rules::SurfaceNeedsRebuild(width, height, w, h)) return true;
    Release();
    fw::UniqueMemoryDc newDc(::CreateCompatibleDC(nullptr));
    if (!newDc) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top row first, so GDI+ can draw straight into it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(rules::SurfaceBytes(w, h));
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
};

const fw::MessageEntry CImageWnd::kMessageEntries[] = {
    fw::OnCreate<&CImageWnd::OnCreate>(),
    fw::OnDestroy<&CImageWnd::OnDestroy>(),
    fw::OnPaint<&CImageWnd::OnPaint>(),
    fw::OnMessage<&CImageWnd::OnEraseBackground>(WM_ERASEBKGND),
    fw::OnMessage<&CImageWnd::OnHitTest>(WM_NCHITTEST),
    fw::OnTimer<&CImageWnd::OnTimer>(),
    fw::OnMessage<&CImageWnd::OnSnapshot>(kSnapshotMessage),
    fw::OnMessage<&CImageWnd::OnWake>(kWakeMessage),
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

void CImageWnd::ReleasePictures() {
  Pictures& p = *pictures_;
  // Images before the streams they read from.
  p.frames.clear();
  p.main.reset();
  p.streams.clear();
  p.delaysMs.clear();
  p.drawn.clear();
  p.drawnKey = {};
  format_ = Format::kNone;
  frameCount_ = 0;
  currentFrame_ = 0;
  imageWidth_ = 10;
  imageHeight_ = 10;
}

bool CImageWnd::LoadImageResource(const char* name, HINSTANCE module) {
  if (!name) return false;
  if (IS_INTRESOURCE(name)) return LoadImageResource(reinterpret_cast<const wchar_t*>(name), module);
  const std::wstring wide = fw::GbkToWide(name);
  return LoadImageResource(wide.c_str(), module);
}

bool CImageWnd::LoadImageResource(const wchar_t* name, HINSTANCE module) {
  if (!name || thread_.running()) return false;
  ReleasePictures();
  layered = false;
  resourceModule_ = module;
  HRSRC resource = ::FindResourceW(module, name, L"IMAGE");
  if (!resource) return false;
  const DWORD size = ::SizeofResource(module, resource);
  HGLOBAL loaded = ::LoadResource(module, resource);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return false;
  return LoadImageBytes(data, size);
}

bool CImageWnd::LoadImageBytes(const void* data, std::size_t size) {
  if (!data || size == 0 || size > 0x7FFFFFFF || thread_.running()) return false;
  ReleasePictures();
  layered = false;
  if (!rules::CheckPicture(data, size).intact) return false;
  fw::UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, size));
  if (!memory) return false;
  void* target = ::GlobalLock(memory.get());
  if (!target) return false;
  std::memcpy(target, data, size);
  ::GlobalUnlock(memory.get());
  fw::ComPtr<IStream> stream;
  if (FAILED(::CreateStreamOnHGlobal(memory.get(), TRUE, stream.put())) || !stream) return false;
  memory.release();  // the stream frees it now
  if (!DecodeStream(stream.get())) {
    ReleasePictures();
    return false;
  }
  pictures_->streams.push_back(std::move(stream));
  return true;
}

bool CImageWnd::DecodeStream(IStream* stream) {
  Pictures& p = *pictures_;
  ImagePtr image = DecodeImage(stream);
  if (!image) return false;
  const UINT width = image->image.GetWidth();
  const UINT height = image->image.GetHeight();
  if (!rules::PictureSizeAcceptable(width, height)) return false;
  GUID raw{};
  if (image->image.GetRawFormat(&raw) != Gdiplus::Ok) return false;
  const Format format = Classify(raw);

  if (format == Format::kGif) {
    const UINT dimensions = image->image.GetFrameDimensionsCount();
    UINT count = 1;
    if (dimensions > 0 && dimensions < 64) {
      std::vector<GUID> ids(dimensions);
      if (image->image.GetFrameDimensionsList(ids.data(), dimensions) == Gdiplus::Ok)
        count = image->image.GetFrameCount(&ids[0]);
    }
    const UINT keep = rules::FramesToKeep(count, width, height);
    if (keep == 0) return false;
    CLSID png{};
    if (!FindPngEncoder(&png)) return false;
    std::vector<ImagePtr> frames;
    std::vector<fw::ComPtr<IStream>> streams;
    frames.reserve(keep);
    streams.reserve(keep);
    for (UINT i = 0; i < keep; ++i) {
      const Gdiplus::Status selected = image->image.SelectActiveFrame(&kDimensionTime, i);
      fw::ComPtr<IStream> frameStream;
      if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, frameStream.put())) || !frameStream) return false;
      if (image->image.Save(frameStream.get(), &png, nullptr) != Gdiplus::Ok) return false;
      ImagePtr frame = DecodeImage(frameStream.get());
      if (selected != Gdiplus::Ok) return false;
      frames.push_back(std::move(frame));  // a frame that did not re-decode draws nothing
      streams.push_back(std::move(frameStream));
    }
    p.delaysMs = rules::FrameDelaysMs(ReadFrameDelays(image->image), keep);
    p.frames = std::move(frames);
    for (auto& s : streams) p.streams.push_back(std::move(s));
    frameCount_ = keep;
  }

  p.main = std::move(image);
  imageWidth_ = static_cast<int>(width);
  imageHeight_ = static_cast<int>(height);
  format_ = format;
  currentFrame_ = 0;
  // Everything but JPEG goes through the per-pixel alpha path.
  layered = format != Format::kJpeg;
  return true;
}

UINT CImageWnd::frameDelayMs(UINT frame) const {
  const auto& delays = pictures_->delaysMs;
  return frame < delays.size() ? delays[frame] : rules::kFallbackDelayMs;
}

bool CImageWnd::CreateImageWindow(HWND owner) {
  if (thread_.running()) return false;
  owner_ = owner;
  // Each window has its own creation signal inside CWindowThread, so windows
  // created at the same time on different threads cannot take each other's.
  return thread_.Start([this] { return CreateOnThread(); },
                       [this] {
                         if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
                       },
                       kCreateTimeoutMs);
}

bool CImageWnd::CreateOnThread() {
  if (!RegisterClass(kClassName, 0, nullptr, nullptr, ::LoadCursorW(nullptr, IDC_ARROW))) return false;
  DWORD exStyle = WS_EX_TOOLWINDOW;
  if (layered) exStyle |= WS_EX_LAYERED;
  return CreateEx(exStyle, kClassName, kWindowName, WS_POPUP, 0, 0, imageWidth_, imageHeight_, owner_, nullptr);
}

void CImageWnd::DestroyImageWindow() { thread_.Stop(kStopTimeoutMs); }

void CImageWnd::Invalidate() {
  HWND h = hwnd_;
  if (h) ::InvalidateRect(h, nullptr, TRUE);
}

void CImageWnd::FlipHorizontal() { Flip(Gdiplus::RotateNoneFlipX); }

void CImageWnd::FlipVertical() { Flip(Gdiplus::RotateNoneFlipY); }

void CImageWnd::Flip(int rotateFlipType) {
  const auto how = static_cast<Gdiplus::RotateFlipType>(rotateFlipType);
  Pictures& p = *pictures_;
  std::lock_guard<std::mutex> guard(p.lock);
  if (format_ == Format::kGif) {
    for (auto& f : p.frames)
      if (f) f->image.RotateFlip(how);
  } else if (p.main) {
    p.main->image.RotateFlip(how);
  }
  ++p.flips;
}

int CImageWnd::OnCreate(CREATESTRUCTW*) {
  if (Default() == -1) return -1;
  // Image windows take no input-method composition.
  ::ImmAssociateContext(hwnd_, nullptr);
  lastFrameTick_ = ::GetTickCount();
  if (!::SetTimer(hwnd_, kTimerId, kTimerPeriodMs, nullptr)) return -1;
  timerArmed_ = true;
  timerPeriod_ = kTimerPeriodMs;
  return 0;
}

void CImageWnd::OnDestroy() {
  ::KillTimer(hwnd_, kTimerId);
  timerArmed_ = false;
  // However the window went (its owner may have taken it along), its thread
  // has nothing left to serve.
  ::PostQuitMessage(0);
}

LRESULT CImageWnd::OnEraseBackground(WPARAM, LPARAM) { return 1; }

LRESULT CImageWnd::OnHitTest(WPARAM, LPARAM) { return draggable ? HTCAPTION : Default(); }

void WakeImageWindow(CImageWnd& wnd) { wnd.WakeTimer(); }

void CImageWnd::WakeTimer() {
  HWND h = hwnd_;
  if (!h || wakePending_.exchange(true)) return;
  if (!::PostMessageW(h, kWakeMessage, 0, 0)) wakePending_ = false;
}

LRESULT CImageWnd::OnWake(WPARAM, LPARAM) {
  wakePending_ = false;
  RunTick();
  return 0;
}

void CImageWnd::OnTimer(UINT_PTR id) {
  if (id != kTimerId) {
    Default();
    return;
  }
  RunTick();
}

void CImageWnd::Reschedule(DWORD now) {
  DWORD wait = NextTickDelay(now);
  if (format_ == Format::kGif && frameCount_ > 1) {
    const rules::AnimationState state = AnimationOf(frameCount_, loop, stopFrame, currentFrame_);
    if (rules::MayAdvance(state)) {
      // A frame changes once strictly more than its delay has passed.
      const DWORD delay = frameDelayMs(static_cast<UINT>(currentFrame_.load()));
      const DWORD since = now - lastFrameTick_;
      wait = std::min<DWORD>(wait, since > delay ? 0 : delay - since + 1);
    }
  }
  if (wait == kNothingDue) {
    if (timerArmed_) ::KillTimer(hwnd_, kTimerId);
    timerArmed_ = false;
    return;
  }
  // The platform raises very short periods to its minimum by itself.
  wait = std::max<DWORD>(wait, 1);
  if (timerArmed_ && timerPeriod_ == wait) return;
  timerArmed_ = ::SetTimer(hwnd_, kTimerId, wait, nullptr) != 0;
  timerPeriod_ = wait;
}

void CImageWnd::RunTick() {
  ++tickCount_;
  RunTickWork();
  Reschedule(::GetTickCount());
}

void CImageWnd::RunTickWork() {
  const DWORD now = ::GetTickCount();
  bool redraw = false;
  OnTick(now, &redraw);
  if (format_ == Format::kGif && frameCount_ > 1) {
    const rules::AnimationState state = AnimationOf(frameCount_, loop, stopFrame, currentFrame_);
    const int next = rules::NextFrame(state, pictures_->delaysMs, now, lastFrameTick_);
    if (next != state.currentFrame) {
      lastFrameTick_ = now;
      currentFrame_ = next;
      Invalidate();
      return;
    }
  }
  if (redraw) Invalidate();
}

void CImageWnd::OnPaint() {
  fw::PaintDc paint(hwnd_);
  OnPrePaint();
  RECT rect{};
  ::GetWindowRect(hwnd_, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0 || !surface_->Ensure(width, height)) return;
  std::memset(surface_->bits, 0, rules::SurfaceBytes(width, height));
  Draw(width, height);
  Present(paint.get(), rect);
  ++paintCount_;
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
      layered = true;
      colorKeyOn = false;
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
      layered = false;
      break;
  }
  if (!picture) return;
  // A frame drawn before at this size and look is copied, not drawn again.
  const std::size_t bytes = rules::SurfaceBytes(width, height);
  const std::size_t frame = format_ == Format::kGif ? static_cast<std::size_t>(currentFrame_.load()) : 0;
  Pictures::DrawnKey key;
  key.width = width;
  key.height = height;
  key.flips = p.flips;
  key.keyed = layered && colorKeyOn;
  key.key = colorKey;
  if (!(key == p.drawnKey)) {
    p.drawn.clear();
    p.drawnKey = key;
  }
  const std::size_t frames = format_ == Format::kGif ? p.frames.size() : 1;
  const bool cacheable = frames * bytes <= rules::kMaxDrawnCacheBytes;
  if (cacheable && frame < p.drawn.size() && p.drawn[frame].size() * sizeof(std::uint32_t) == bytes) {
    std::memcpy(surface_->bits, p.drawn[frame].data(), bytes);
    return;
  }
  // GDI+ draws straight into the surface's pixels as premultiplied ARGB, so
  // the alpha channel it produces is exactly what the layered window shows.
  Gdiplus::Bitmap canvas(width, height, static_cast<INT>(rules::SurfaceStride(width)), PixelFormat32bppPARGB,
                         static_cast<BYTE*>(surface_->bits));
  if (canvas.GetLastStatus() != Gdiplus::Ok) return;
  Gdiplus::Graphics graphics(&canvas);
  if (graphics.GetLastStatus() != Gdiplus::Ok) return;
  Gdiplus::ImageAttributes attributes;
  if (layered && colorKeyOn) {
    const COLORREF key = colorKey;
    const Gdiplus::Color argb(255, GetRValue(key), GetGValue(key), GetBValue(key));
    attributes.SetColorKey(argb, argb, Gdiplus::ColorAdjustTypeDefault);
  }
  // Without this, stretching fades the picture's outer pixels towards transparent.
  attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  if (graphics.DrawImage(picture, Gdiplus::Rect(0, 0, width, height), 0, 0, imageWidth_, imageHeight_,
                         Gdiplus::UnitPixel, &attributes) != Gdiplus::Ok || !cacheable)
    return;
  graphics.Flush(Gdiplus::FlushIntentionSync);
  if (p.drawn.size() < frames) p.drawn.resize(frames);
  const auto* pixels = static_cast<const std::uint32_t*>(surface_->bits);
  p.drawn[frame].assign(pixels, pixels + bytes / sizeof(std::uint32_t));
}

void CImageWnd::Present(HDC paintDc, const RECT& rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  // The style, not the flag, decides: the style is fixed at creation.
  if (::GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYERED) {
    POINT destination{rect.left, rect.top};
    SIZE size{width, height};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::UpdateLayeredWindow(hwnd_, paintDc, &destination, &size, surface_->dc.get(), &source, 0, &blend, ULW_ALPHA);
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
  if (!request || !surface_->bits) return 0;
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
