// Decoding: a picture from its bytes through GDI+, GIF frames re-encoded one
// by one, their delays, and mirroring.
#include "toolkit/image_parts.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "framework/memory_stream.h"
#include "framework/text.h"
#include "core/image_rules.h"
#include "core/picture_check.h"

using image_parts::ImageBox;
using image_parts::ImagePtr;

namespace {

namespace rules = bimbly::image;

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

// FNV-1a over the encoded bytes, with the length: windows loading the same
// picture share what is drawn of it. Never 0, which means "not shared".
std::uint64_t PictureDigest(const void* data, std::size_t size) {
  std::uint64_t h = 14695981039346656037ull ^ size;
  const auto* b = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) h = (h ^ b[i]) * 1099511628211ull;
  return h ? h : 1;
}

// Pictures decoded ahead, each for one window to take: a GDI+ image is used
// by one window's thread only.
struct DecodedAhead {
  HINSTANCE module;
  std::wstring name;
  std::unique_ptr<CImageWnd> picture;
};
// Two neighbouring items' pictures: a chart, an instrument and up to five figures each.
constexpr std::size_t kDecodedAheadKept = 14;
std::mutex g_aheadLock;
std::vector<DecodedAhead> g_ahead;

}  // namespace

void CImageWnd::DecodeAhead(const char* name, HINSTANCE module) {
  if (!name || IS_INTRESOURCE(name)) return;
  auto picture = std::make_unique<CImageWnd>();
  if (!picture->LoadImageResource(name, module)) return;
  DecodedAhead entry{module, fw::GbkToWide(name), std::move(picture)};
  std::unique_ptr<CImageWnd> dropped;  // freed outside the lock
  std::lock_guard<std::mutex> guard(g_aheadLock);
  if (g_ahead.size() >= kDecodedAheadKept) {
    dropped = std::move(g_ahead.front().picture);
    g_ahead.erase(g_ahead.begin());
  }
  g_ahead.push_back(std::move(entry));
}

void CImageWnd::LetGoDecodedAhead() {
  std::vector<DecodedAhead> kept;
  {
    std::lock_guard<std::mutex> guard(g_aheadLock);
    kept.swap(g_ahead);
  }
}

bool CImageWnd::TakeDecodedAhead(const wchar_t* name, HINSTANCE module) {
  if (IS_INTRESOURCE(name)) return false;
  std::unique_ptr<CImageWnd> other;
  {
    std::lock_guard<std::mutex> guard(g_aheadLock);
    auto it = std::find_if(g_ahead.begin(), g_ahead.end(),
                           [&](const DecodedAhead& e) { return e.module == module && e.name == name; });
    if (it == g_ahead.end()) return false;
    other = std::move(it->picture);
    g_ahead.erase(it);
  }
  ReleasePictures();
  std::swap(pictures_, other->pictures_);
  resourceModule_ = module;
  imageWidth_ = other->imageWidth_;
  imageHeight_ = other->imageHeight_;
  format_ = other->format_;
  frameCount_ = other->frameCount_;
  currentFrame_ = 0;
  layered = other->layered.load();
  return true;
}

void CImageWnd::ReleasePictures() {
  Pictures& p = *pictures_;
  // Images before the streams they read from.
  p.frames.clear();
  p.main.reset();
  p.streams.clear();
  p.delaysMs.clear();
  p.drawn.clear();
  p.mirroredX = p.mirroredY = false;
  p.pictureId = 0;
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
  if (thread_.running()) return false;
  return LoadResourceNow(name, module);
}

bool CImageWnd::LoadResourceNow(const wchar_t* name, HINSTANCE module) {
  if (!name) return false;
  if (TakeDecodedAhead(name, module)) return true;
  ReleasePictures();
  layered = false;
  resourceModule_ = module;
  const fw::ResourceBytes picture = fw::FindResourceBytes(module, name, L"IMAGE");
  return LoadBytesNow(picture.data, picture.size);
}

bool CImageWnd::LoadImageBytes(const void* data, std::size_t size) {
  if (thread_.running()) return false;
  return LoadBytesNow(data, size);
}

bool CImageWnd::LoadBytesNow(const void* data, std::size_t size) {
  if (!data || size == 0 || size > 0x7FFFFFFF) return false;
  ReleasePictures();
  layered = false;
  if (!rules::CheckPicture(data, size).intact) return false;
  fw::ComPtr<IStream> stream = fw::StreamOverCopy(data, size);
  if (!stream) return false;
  if (!DecodeStream(stream.get())) {
    ReleasePictures();
    return false;
  }
  pictures_->streams.push_back(std::move(stream));
  pictures_->pictureId = PictureDigest(data, size);
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
  if (how == Gdiplus::RotateNoneFlipX) p.mirroredX = !p.mirroredX;
  if (how == Gdiplus::RotateNoneFlipY) p.mirroredY = !p.mirroredY;
}
