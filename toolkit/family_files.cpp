#include "toolkit/family_files.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <gdiplus.h>
#include <memory>

#include "framework/handles.h"
#include "framework/memory_stream.h"
#include "core/picture_check.h"

namespace ff = bimbly::family;

namespace family_files {
namespace {

constexpr wchar_t kIniName[] = L"family.ini";
constexpr std::uint64_t kMaxIniBytes = 4ull * 1024 * 1024;
constexpr ULONG kJpegQuality = 90;

bool EncoderClsid(const wchar_t* mime, CLSID* clsid) {
  UINT count = 0, size = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<std::uint8_t> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i)
    if (codecs[i].MimeType && ::lstrcmpiW(codecs[i].MimeType, mime) == 0) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  return false;
}

fw::ComPtr<IStream> StreamOver(const Bytes& bytes) { return fw::StreamOverCopy(bytes.data(), bytes.size()); }

Bytes StreamBytes(IStream* stream) {
  Bytes out;
  STATSTG stat{};
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || stat.cbSize.QuadPart > ff::kMaxFileBytes) return out;
  LARGE_INTEGER zero{};
  if (FAILED(stream->Seek(zero, STREAM_SEEK_SET, nullptr))) return out;
  out.resize(static_cast<std::size_t>(stat.cbSize.QuadPart));
  ULONG read = 0;
  if (FAILED(stream->Read(out.data(), static_cast<ULONG>(out.size()), &read)) || read != out.size()) out.clear();
  return out;
}

// What turns a picture with this EXIF orientation upright.
Gdiplus::RotateFlipType OrientationFix(int orientation) {
  switch (orientation) {
    case 2: return Gdiplus::RotateNoneFlipX;
    case 3: return Gdiplus::Rotate180FlipNone;
    case 4: return Gdiplus::RotateNoneFlipY;
    case 5: return Gdiplus::Rotate90FlipX;
    case 6: return Gdiplus::Rotate90FlipNone;
    case 7: return Gdiplus::Rotate270FlipX;
    case 8: return Gdiplus::Rotate270FlipNone;
    default: return Gdiplus::RotateNoneFlipNone;
  }
}

UINT FrameCount(Gdiplus::Image& image) {
  const UINT dimensions = image.GetFrameDimensionsCount();
  if (dimensions == 0 || dimensions > 8) return 1;
  GUID ids[8];
  if (image.GetFrameDimensionsList(ids, dimensions) != Gdiplus::Ok) return 1;
  return std::max(1u, image.GetFrameCount(&ids[0]));
}

// Decodes the header only: checks what GDI+ will see before it decodes pixels.
struct Decoded {
  fw::ComPtr<IStream> stream;
  std::unique_ptr<Gdiplus::Bitmap> bitmap;
};
Decoded Decode(const Bytes& encoded) {
  Decoded d;
  d.stream = StreamOver(encoded);
  if (!d.stream) return d;
  d.bitmap.reset(Gdiplus::Bitmap::FromStream(d.stream.get(), FALSE));
  if (d.bitmap && d.bitmap->GetLastStatus() != Gdiplus::Ok) d.bitmap.reset();
  return d;
}

std::wstring TempPathFor(const std::wstring& path) { return path + L".tmp"; }

}  // namespace

std::wstring Utf8ToWide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(std::max(0, n)), L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string WideToUtf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(0, n)), '\0');
  if (n > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Folder() {
  std::wstring base;
  wchar_t buffer[MAX_PATH] = {};
  const DWORD n = ::GetEnvironmentVariableW(L"APPDATA", buffer, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    base = buffer;
  } else if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer))) {
    base = buffer;
  }
  if (base.empty()) return {};
  if (base.back() != L'\\') base += L'\\';
  return base + L"Bimbly\\family\\";
}

std::wstring PathOf(const std::string& fileName) {
  if (fileName.empty()) return {};
  const std::wstring folder = Folder();
  return folder.empty() ? std::wstring() : folder + Utf8ToWide(fileName);
}

bool EnsureFolder() {
  const std::wstring folder = Folder();
  if (folder.empty()) return false;
  const std::wstring parent = folder.substr(0, folder.size() - std::wstring(L"family\\").size());
  ::CreateDirectoryW(parent.c_str(), nullptr);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

ReadProblem ReadFileLimited(const std::wstring& path, std::uint64_t maxBytes, Bytes& out) {
  out.clear();
  fw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return ReadProblem::kUnreadable;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return ReadProblem::kUnreadable;
  if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) return ReadProblem::kTooBig;
  if (size.QuadPart == 0) return ReadProblem::kEmpty;
  out.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!::ReadFile(file.get(), out.data(), static_cast<DWORD>(out.size()), &read, nullptr) || read != out.size()) {
    out.clear();
    return ReadProblem::kUnreadable;
  }
  return ReadProblem::kOk;
}

bool WriteFileReplacing(const std::wstring& path, const Bytes& bytes) {
  if (path.empty()) return false;
  const std::wstring temp = TempPathFor(path);
  {
    fw::UniqueFile file(
        ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    const bool ok = bytes.empty() || (::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                                  nullptr) &&
                                      written == bytes.size());
    if (!ok || !::FlushFileBuffers(file.get())) {
      file.reset();
      ::DeleteFileW(temp.c_str());
      return false;
    }
  }
  if (!::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ::DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

ff::Book LoadBook() {
  const std::wstring folder = Folder();
  if (folder.empty()) return {};
  Bytes bytes;
  if (ReadFileLimited(folder + kIniName, kMaxIniBytes, bytes) != ReadProblem::kOk) return {};
  return ff::ParseIni(std::string(bytes.begin(), bytes.end()));
}

bool SaveBook(const ff::Book& book) {
  if (!EnsureFolder()) return false;
  const std::string text = ff::FormatIni(book);
  return WriteFileReplacing(Folder() + kIniName, Bytes(text.begin(), text.end()));
}

PreparedPicture PreparePictureBytes(const Bytes& encoded) {
  PreparedPicture out;
  if (encoded.empty()) return out;
  const bimbly::image::PictureCheck check = bimbly::image::CheckPicture(encoded.data(), encoded.size());
  using Kind = bimbly::image::PictureKind;
  if (check.kind == Kind::kUnknown || check.kind == Kind::kIcon) return out;
  if (!check.intact) {
    out.problem = PictureProblem::kDamaged;
    return out;
  }
  // A decoder would try to hold every pixel: the header's size is checked first.
  if (ff::TooManyPixels(ff::HeaderSize(encoded.data(), encoded.size()))) {
    out.problem = PictureProblem::kTooManyPixels;
    return out;
  }
  Decoded d = Decode(encoded);
  if (!d.bitmap) {
    out.problem = PictureProblem::kDamaged;
    return out;
  }
  const ff::Size size{static_cast<int>(d.bitmap->GetWidth()), static_cast<int>(d.bitmap->GetHeight())};
  if (size.width <= 0 || size.height <= 0) {
    out.problem = PictureProblem::kDamaged;
    return out;
  }
  if (ff::TooManyPixels(size)) {
    out.problem = PictureProblem::kTooManyPixels;
    return out;
  }
  if (check.kind == Kind::kGif && FrameCount(*d.bitmap) > 1) {
    // GDI+ writes single-frame GIFs only: an animation is kept as it came,
    // after the checks, and only when it is no larger than a stored picture.
    if (std::max(size.width, size.height) > ff::kMaxPictureSide) {
      out.problem = PictureProblem::kTooManyPixels;
      return out;
    }
    out.problem = PictureProblem::kOk;
    out.bytes = encoded;
    out.type = ff::PictureType::kGif;
    out.width = size.width;
    out.height = size.height;
    return out;
  }
  // Upright first, then scaled into the stored size.
  // Read from the file itself: not every GDI+ exposes a JPEG's EXIF tags.
  const Gdiplus::RotateFlipType fix =
      check.kind == Kind::kJpeg ? OrientationFix(ff::ExifOrientation(encoded.data(), encoded.size()))
                                : Gdiplus::RotateNoneFlipNone;
  if (fix != Gdiplus::RotateNoneFlipNone && d.bitmap->RotateFlip(fix) != Gdiplus::Ok) {
    out.problem = PictureProblem::kDamaged;
    return out;
  }
  const ff::Size upright{static_cast<int>(d.bitmap->GetWidth()), static_cast<int>(d.bitmap->GetHeight())};
  const ff::Size target = ff::FitWithin(upright, ff::kMaxPictureSide);
  Gdiplus::Bitmap scaled(target.width, target.height, PixelFormat32bppARGB);
  if (scaled.GetLastStatus() != Gdiplus::Ok) {
    out.problem = PictureProblem::kDamaged;
    return out;
  }
  {
    Gdiplus::Graphics g(&scaled);
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    Gdiplus::ImageAttributes edges;
    edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);  // no faded border when scaling down
    if (g.DrawImage(d.bitmap.get(), Gdiplus::Rect(0, 0, target.width, target.height), 0, 0, upright.width,
                    upright.height, Gdiplus::UnitPixel, &edges) != Gdiplus::Ok) {
      out.problem = PictureProblem::kDamaged;
      return out;
    }
  }
  // Photos stay JPEG; anything that may hold transparency becomes PNG.
  const bool jpeg = check.kind == Kind::kJpeg;
  CLSID encoder{};
  if (!EncoderClsid(jpeg ? L"image/jpeg" : L"image/png", &encoder)) {
    out.problem = PictureProblem::kDamaged;
    return out;
  }
  fw::ComPtr<IStream> target_stream;
  if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, target_stream.put())) || !target_stream) {
    out.problem = PictureProblem::kDamaged;
    return out;
  }
  Gdiplus::EncoderParameters params{};
  ULONG quality = kJpegQuality;
  params.Count = 1;
  params.Parameter[0].Guid = Gdiplus::EncoderQuality;
  params.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
  params.Parameter[0].NumberOfValues = 1;
  params.Parameter[0].Value = &quality;
  if (scaled.Save(target_stream.get(), &encoder, jpeg ? &params : nullptr) != Gdiplus::Ok) {
    out.problem = PictureProblem::kDamaged;
    return out;
  }
  out.bytes = StreamBytes(target_stream.get());
  if (out.bytes.empty()) {
    out.problem = PictureProblem::kDamaged;
    return out;
  }
  out.problem = PictureProblem::kOk;
  out.type = jpeg ? ff::PictureType::kJpeg : ff::PictureType::kPng;
  out.width = target.width;
  out.height = target.height;
  return out;
}

PreparedPicture PreparePicture(const std::wstring& path) {
  Bytes bytes;
  const ReadProblem read = ReadFileLimited(path, ff::kMaxFileBytes, bytes);
  if (read != ReadProblem::kOk) {
    PreparedPicture out;
    out.problem = read == ReadProblem::kTooBig ? PictureProblem::kTooBig
                  : read == ReadProblem::kEmpty ? PictureProblem::kNotPicture
                                                : PictureProblem::kUnreadable;
    return out;
  }
  return PreparePictureBytes(bytes);
}

PreparedSound PrepareSound(const std::wstring& path, bool cut) {
  PreparedSound out;
  Bytes bytes;
  out.read = ReadFileLimited(path, ff::kMaxFileBytes, bytes);
  if (out.read == ReadProblem::kEmpty) out.problem = ff::WavProblem::kEmpty;
  if (out.read != ReadProblem::kOk) return out;
  const ff::WavInfo info = ff::InspectWav(bytes.data(), bytes.size());
  out.problem = info.problem;
  out.durationMs = info.durationMs;
  if (info.problem == ff::WavProblem::kTooLong && cut) {
    out.bytes = ff::CutWav(bytes.data(), bytes.size());
    out.problem = out.bytes.empty() ? ff::WavProblem::kNotPcm : ff::WavProblem::kOk;
    out.durationMs = ff::kMaxSoundMs;
    return out;
  }
  // Stored in the plain form, whatever extra chunks the file carried.
  if (info.problem == ff::WavProblem::kOk) out.bytes = ff::CutWav(bytes.data(), bytes.size());
  return out;
}

Bytes CardPicture(const ff::Item& item) {
  Bytes bytes;
  if (!ff::IsPictureFileName(item.picture, item.id)) return bytes;
  if (ReadFileLimited(PathOf(item.picture), ff::kMaxFileBytes, bytes) != ReadProblem::kOk) return {};
  const bimbly::image::PictureCheck check = bimbly::image::CheckPicture(bytes.data(), bytes.size());
  if (check.kind == bimbly::image::PictureKind::kUnknown || !check.intact) return {};
  if (ff::TooManyPixels(ff::HeaderSize(bytes.data(), bytes.size()))) return {};
  return bytes;
}

Bytes CardSound(const ff::Item& item) {
  Bytes bytes;
  if (!ff::IsSoundFileName(item.sound, item.id)) return bytes;
  if (ReadFileLimited(PathOf(item.sound), ff::kMaxFileBytes, bytes) != ReadProblem::kOk) return {};
  // A file that grew past 10 s since is cut, not refused.
  const ff::WavInfo info = ff::InspectWav(bytes.data(), bytes.size(), UINT32_MAX);
  if (info.problem != ff::WavProblem::kOk) return {};
  return info.durationMs > ff::kMaxSoundMs ? ff::CutWav(bytes.data(), bytes.size()) : bytes;
}

ff::Size PictureSize(const Bytes& encoded) {
  Decoded d = Decode(encoded);
  if (!d.bitmap) return {};
  return {static_cast<int>(d.bitmap->GetWidth()), static_cast<int>(d.bitmap->GetHeight())};
}

HBITMAP MakeThumbnail(const Bytes& encoded, int size) {
  const bimbly::image::PictureCheck check = bimbly::image::CheckPicture(encoded.data(), encoded.size());
  if (encoded.empty() || check.kind == bimbly::image::PictureKind::kUnknown || !check.intact) return nullptr;
  if (ff::TooManyPixels(ff::HeaderSize(encoded.data(), encoded.size()))) return nullptr;
  Decoded d = Decode(encoded);
  if (!d.bitmap || size <= 0) return nullptr;
  const ff::Size fit = ff::FitWithin({static_cast<int>(d.bitmap->GetWidth()), static_cast<int>(d.bitmap->GetHeight())}, size);
  if (fit.width <= 0) return nullptr;
  Gdiplus::Bitmap square(size, size, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics g(&square);
    g.Clear(Gdiplus::Color(255, 255, 255, 255));
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    g.DrawImage(d.bitmap.get(), (size - fit.width) / 2, (size - fit.height) / 2, fit.width, fit.height);
  }
  HBITMAP out = nullptr;
  if (square.GetHBITMAP(Gdiplus::Color(255, 255, 255, 255), &out) != Gdiplus::Ok) return nullptr;
  return out;
}

Bytes PlaceholderPicture(int size) {
  size = std::clamp(size, 16, ff::kMaxPictureSide);
  Gdiplus::Bitmap card(size, size, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics g(&card);
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    g.Clear(Gdiplus::Color(255, 225, 225, 225));
    Gdiplus::Pen border(Gdiplus::Color(255, 150, 150, 150), static_cast<Gdiplus::REAL>(std::max(2, size / 32)));
    g.DrawRectangle(&border, size / 16, size / 16, size - size / 8, size - size / 8);
    Gdiplus::FontFamily family(L"Arial");
    Gdiplus::Font font(&family, static_cast<Gdiplus::REAL>(size) / 2, Gdiplus::FontStyleBold, Gdiplus::UnitPixel);
    Gdiplus::SolidBrush ink(Gdiplus::Color(255, 120, 120, 120));
    Gdiplus::StringFormat centre;
    centre.SetAlignment(Gdiplus::StringAlignmentCenter);
    centre.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    g.DrawString(L"?", 1, &font, Gdiplus::RectF(0, 0, static_cast<Gdiplus::REAL>(size), static_cast<Gdiplus::REAL>(size)),
                 &centre, &ink);
  }
  CLSID png{};
  fw::ComPtr<IStream> stream;
  if (!EncoderClsid(L"image/png", &png) || FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) || !stream ||
      card.Save(stream.get(), &png, nullptr) != Gdiplus::Ok)
    return {};
  return StreamBytes(stream.get());
}

bool StoreCard(ff::Book& book, ff::Item card, const PreparedPicture* picture, const Bytes* sound, bool dropSound) {
  if (!EnsureFolder()) return false;
  const ff::Item* old = book.Find(card.id);
  const std::string oldPicture = old ? old->picture : std::string();
  const std::string oldSound = old ? old->sound : std::string();
  card.picture = oldPicture;
  card.sound = dropSound ? std::string() : oldSound;
  if (picture && picture->problem == PictureProblem::kOk) {
    card.picture = ff::PictureFileName(card.id, picture->type);
    if (!WriteFileReplacing(PathOf(card.picture), picture->bytes)) return false;
  }
  if (sound && !sound->empty()) {
    card.sound = ff::SoundFileName(card.id);
    if (!WriteFileReplacing(PathOf(card.sound), *sound)) return false;
  }
  ff::Book next = book;
  if (ff::Item* slot = next.Find(card.id))
    *slot = card;
  else
    next.items.push_back(card);
  if (!SaveBook(next)) return false;
  book = std::move(next);
  if (!oldPicture.empty() && oldPicture != card.picture) ::DeleteFileW(PathOf(oldPicture).c_str());
  if (!oldSound.empty() && oldSound != card.sound) ::DeleteFileW(PathOf(oldSound).c_str());
  return true;
}

bool RemoveCard(ff::Book& book, int id) {
  const ff::Item* old = book.Find(id);
  if (!old) return true;
  const ff::Item gone = *old;
  ff::Book next = book;
  next.items.erase(next.items.begin() + next.IndexOf(id));
  if (!SaveBook(next)) return false;
  book = std::move(next);
  if (!gone.picture.empty()) ::DeleteFileW(PathOf(gone.picture).c_str());
  if (!gone.sound.empty()) ::DeleteFileW(PathOf(gone.sound).c_str());
  return true;
}

}  // namespace family_files
