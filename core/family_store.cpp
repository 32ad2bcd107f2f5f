#include "core/family_store.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace bimbly::family {
namespace {

constexpr std::string_view kFamilySection = "Family";
constexpr std::string_view kItemPrefix = "Item";

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::optional<int> ToInt(std::string_view s) {
  s = Trim(s);
  int value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (error != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

// One line of a value: control characters would start a new line or key.
std::string OneLine(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out.push_back(c);
  return out;
}

const char* MotionWord(Motion m) {
  switch (m) {
    case Motion::kFly:
      return "fly";
    case Motion::kBounce:
      return "bounce";
    case Motion::kStill:
      break;
  }
  return "still";
}

Motion MotionFromWord(std::string_view w) {
  if (w == "fly") return Motion::kFly;
  if (w == "bounce") return Motion::kBounce;
  return Motion::kStill;
}

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
void Put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
  v.push_back(static_cast<std::uint8_t>(x));
  v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

}  // namespace

const Item* Book::Find(int id) const {
  for (const Item& item : items)
    if (item.id == id) return &item;
  return nullptr;
}
Item* Book::Find(int id) { return const_cast<Item*>(static_cast<const Book&>(*this).Find(id)); }

int Book::IndexOf(int id) const {
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i].id == id) return static_cast<int>(i);
  return -1;
}

int Book::TakeId() {
  int id = std::clamp(nextId, 1, kMaxId);
  // A damaged NextId must not hand out an id that is in use.
  while (Find(id) && id < kMaxId) ++id;
  nextId = std::min(id + 1, kMaxId);
  return id;
}

std::vector<int> Book::SwitchOrder(int id, bool forward) const {
  std::vector<int> order;
  const int n = static_cast<int>(items.size());
  if (n == 0) return order;
  const int from = std::max(0, IndexOf(id));
  for (int step = 1; step <= n; ++step) {
    const int delta = forward ? step : -step;
    order.push_back(items[static_cast<std::size_t>(((from + delta) % n + n) % n)].id);
  }
  return order;
}

std::string FormatIni(const Book& book) {
  std::string out;
  out += "[Family]\r\nVersion=" + std::to_string(kFormatVersion) + "\r\nNextId=" + std::to_string(book.nextId) + "\r\n";
  for (const Item& item : book.items) {
    out += "\r\n[Item" + std::to_string(item.id) + "]\r\n";
    out += "Name=" + OneLine(item.name) + "\r\n";
    out += "SecondName=" + OneLine(item.secondName) + "\r\n";
    out += "Picture=" + OneLine(item.picture) + "\r\n";
    out += "Sound=" + OneLine(item.sound) + "\r\n";
    out += std::string("Motion=") + MotionWord(item.motion) + "\r\n";
    out += "Copies=" + std::to_string(std::clamp(item.copies, kMinCopies, kMaxCopies)) + "\r\n";
  }
  return out;
}

Book ParseIni(std::string_view text) {
  Book book;
  book.version = 0;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Item* current = nullptr;
  bool inFamily = false;
  int highestId = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      current = nullptr;
      inFamily = false;
      const std::size_t close = line.find(']');
      if (close == std::string_view::npos) continue;
      const std::string_view section = line.substr(1, close - 1);
      if (section == kFamilySection) {
        inFamily = true;
      } else if (section.substr(0, kItemPrefix.size()) == kItemPrefix) {
        const std::optional<int> id = ToInt(section.substr(kItemPrefix.size()));
        // A repeated or impossible id is a damaged section: skipped.
        if (id && *id >= 1 && *id <= kMaxId && !book.Find(*id)) {
          book.items.push_back(Item{});
          current = &book.items.back();
          current->id = *id;
          highestId = std::max(highestId, *id);
        }
      }
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, eq));
    const std::string_view value = Trim(line.substr(eq + 1));
    if (inFamily) {
      if (key == "Version") book.version = ToInt(value).value_or(0);
      if (key == "NextId") book.nextId = std::clamp(ToInt(value).value_or(1), 1, kMaxId);
      continue;
    }
    if (!current) continue;
    if (key == "Name") {
      current->name = std::string(value);
    } else if (key == "SecondName") {
      current->secondName = std::string(value);
    } else if (key == "Picture") {
      // Only a name the program made for this card is ever opened.
      current->picture = IsPictureFileName(value, current->id) ? std::string(value) : std::string();
    } else if (key == "Sound") {
      current->sound = IsSoundFileName(value, current->id) ? std::string(value) : std::string();
    } else if (key == "Motion") {
      current->motion = MotionFromWord(value);
    } else if (key == "Copies") {
      current->copies = std::clamp(ToInt(value).value_or(kDefaultCopies), kMinCopies, kMaxCopies);
    }
  }
  // A card must have a name that can be shown; the others are left out.
  book.items.erase(std::remove_if(book.items.begin(), book.items.end(),
                                  [](const Item& item) {
                                    const NameProblem p = CheckName(item.name, true);
                                    return p == NameProblem::kEmpty || p == NameProblem::kBadText;
                                  }),
                   book.items.end());
  book.nextId = std::clamp(std::max(book.nextId, highestId + 1), 1, kMaxId);
  return book;
}

std::string PictureFileName(int id, PictureType type) {
  const char* ext = type == PictureType::kGif ? ".gif" : type == PictureType::kJpeg ? ".jpg" : ".png";
  return "item" + std::to_string(id) + ext;
}

std::string SoundFileName(int id) { return "item" + std::to_string(id) + ".wav"; }

bool IsPictureFileName(std::string_view fileName, int id) {
  for (PictureType t : {PictureType::kPng, PictureType::kJpeg, PictureType::kGif})
    if (fileName == PictureFileName(id, t)) return true;
  return false;
}

bool IsSoundFileName(std::string_view fileName, int id) { return fileName == SoundFileName(id); }

std::size_t CountChars(std::string_view s) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); ++count) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    std::uint32_t cp = 0;
    if (c < 0x80) {
      len = 1;
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
      cp = c & 0x07;
    } else {
      return SIZE_MAX;
    }
    if (i + len > s.size()) return SIZE_MAX;
    for (std::size_t k = 1; k < len; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return SIZE_MAX;
      cp = cp << 6 | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not text.
    static constexpr std::uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return SIZE_MAX;
    i += len;
  }
  return count;
}

NameProblem CheckName(std::string_view utf8, bool required) {
  const std::size_t chars = CountChars(utf8);
  if (chars == SIZE_MAX) return NameProblem::kBadText;
  for (char c : utf8)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return NameProblem::kBadText;
  if (required && Trim(utf8).empty()) return NameProblem::kEmpty;
  if (chars > static_cast<std::size_t>(kMaxNameChars)) return NameProblem::kTooLong;
  return NameProblem::kOk;
}

Size FitWithin(Size size, int maxSide) {
  if (size.width <= 0 || size.height <= 0 || maxSide <= 0) return {0, 0};
  const int longest = std::max(size.width, size.height);
  if (longest <= maxSide) return size;
  const double scale = static_cast<double>(maxSide) / longest;
  return {std::max(1, static_cast<int>(std::lround(size.width * scale))),
          std::max(1, static_cast<int>(std::lround(size.height * scale)))};
}

bool TooManyPixels(Size size) {
  return static_cast<std::uint64_t>(std::max(0, size.width)) * static_cast<std::uint64_t>(std::max(0, size.height)) >=
         kMaxPicturePixels;
}

Size HeaderSize(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (!p) return {};
  auto be32 = [&](std::size_t at) {
    return static_cast<int>(std::min<std::uint32_t>(
        static_cast<std::uint32_t>(p[at]) << 24 | static_cast<std::uint32_t>(p[at + 1]) << 16 |
            static_cast<std::uint32_t>(p[at + 2]) << 8 | p[at + 3],
        INT32_MAX));
  };
  if (size >= 24 && std::memcmp(p, "\x89PNG", 4) == 0) return {be32(16), be32(20)};
  if (size >= 10 && std::memcmp(p, "GIF8", 4) == 0) return {Le16(p + 6), Le16(p + 8)};
  if (size >= 26 && p[0] == 'B' && p[1] == 'M') {
    const auto h = static_cast<std::int32_t>(Le32(p + 22));
    return {static_cast<int>(std::min<std::uint32_t>(Le32(p + 18), INT32_MAX)), h == INT32_MIN ? 0 : std::abs(h)};
  }
  if (size >= 4 && p[0] == 0xFF && p[1] == 0xD8) {
    for (std::size_t at = 2; at + 9 <= size;) {
      if (p[at] != 0xFF) return {};
      const std::uint8_t marker = p[at + 1];
      if (marker == 0xFF) {
        ++at;
        continue;
      }
      const std::size_t length = static_cast<std::size_t>(p[at + 2]) << 8 | p[at + 3];
      const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
      if (frame) return {p[at + 7] << 8 | p[at + 8], p[at + 5] << 8 | p[at + 6]};
      if (length < 2) return {};
      at += 2 + length;
    }
  }
  return {};
}

int ExifOrientation(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (!p || size < 4 || p[0] != 0xFF || p[1] != 0xD8) return 1;
  for (std::size_t at = 2; at + 4 <= size;) {
    if (p[at] != 0xFF) return 1;
    const std::uint8_t marker = p[at + 1];
    if (marker == 0xDA || marker == 0xD9) return 1;  // the picture data: no EXIF came before it
    const std::size_t length = static_cast<std::size_t>(p[at + 2]) << 8 | p[at + 3];
    if (length < 2 || at + 2 + length > size) return 1;
    const std::uint8_t* seg = p + at + 4;
    const std::size_t segSize = length - 2;
    if (marker == 0xE1 && segSize >= 14 && std::memcmp(seg, "Exif\0\0", 6) == 0) {
      const std::uint8_t* tiff = seg + 6;
      const std::size_t tiffSize = segSize - 6;
      const bool little = tiff[0] == 'I' && tiff[1] == 'I';
      if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 1;
      auto u16 = [&](std::size_t o) -> std::uint32_t {
        return little ? Le16(tiff + o) : static_cast<std::uint32_t>(tiff[o] << 8 | tiff[o + 1]);
      };
      auto u32 = [&](std::size_t o) -> std::uint32_t {
        return little ? Le32(tiff + o) : u16(o) << 16 | u16(o + 2);
      };
      const std::uint32_t ifd = u32(4);
      if (ifd > tiffSize || tiffSize - ifd < 2) return 1;
      const std::uint32_t entries = u16(ifd);
      for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t e = ifd + 2 + static_cast<std::size_t>(i) * 12;
        if (e + 12 > tiffSize) return 1;
        if (u16(e) == 0x0112 && u16(e + 2) == 3) {
          const std::uint32_t v = u16(e + 8);
          return v >= 1 && v <= 8 ? static_cast<int>(v) : 1;
        }
      }
      return 1;
    }
    at += 2 + length;
  }
  return 1;
}

WavInfo InspectWav(const void* data, std::size_t size, std::uint32_t maxMs) {
  WavInfo info;
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (!p || size < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) return info;
  bool haveFormat = false;
  std::uint16_t tag = 0;
  for (std::size_t at = 12; at + 8 <= size;) {
    const std::uint32_t chunk = Le32(p + at + 4);
    const std::size_t body = at + 8;
    const std::size_t avail = size - body;
    if (std::memcmp(p + at, "fmt ", 4) == 0) {
      if (chunk < 16 || chunk > avail) return info;
      tag = Le16(p + body);
      info.channels = Le16(p + body + 2);
      info.sampleRate = Le32(p + body + 4);
      info.blockAlign = Le16(p + body + 12);
      info.bitsPerSample = Le16(p + body + 14);
      // WAVE_FORMAT_EXTENSIBLE names its real format in the first two bytes of its sub-format.
      if (tag == 0xFFFE && chunk >= 40) tag = Le16(p + body + 24);
      haveFormat = true;
    } else if (std::memcmp(p + at, "data", 4) == 0) {
      if (!haveFormat) return info;
      info.problem = WavProblem::kOk;
      const bool pcm = tag == 1 && info.channels >= 1 && info.channels <= 8 && info.sampleRate >= 1000 &&
                       info.sampleRate <= 384000 &&
                       (info.bitsPerSample == 8 || info.bitsPerSample == 16 || info.bitsPerSample == 24 ||
                        info.bitsPerSample == 32) &&
                       info.blockAlign == info.channels * info.bitsPerSample / 8;
      if (!pcm) {
        info.problem = WavProblem::kNotPcm;
        return info;
      }
      // A chunk longer than the file is a cut-off file: what is there counts.
      const std::size_t bytes = std::min<std::size_t>(chunk, avail);
      info.dataOffset = body;
      info.dataBytes = bytes - bytes % info.blockAlign;
      const std::uint64_t frames = info.dataBytes / info.blockAlign;
      info.durationMs = static_cast<std::uint32_t>(
          std::min<std::uint64_t>(frames * 1000 / info.sampleRate, UINT32_MAX));
      if (info.dataBytes == 0) info.problem = WavProblem::kEmpty;
      else if (info.durationMs > maxMs) info.problem = WavProblem::kTooLong;
      return info;
    }
    // Chunks are padded to even sizes.
    const std::uint64_t next = static_cast<std::uint64_t>(body) + chunk + (chunk & 1);
    if (next > size) break;
    at = static_cast<std::size_t>(next);
  }
  info.problem = haveFormat ? WavProblem::kEmpty : WavProblem::kNotWav;
  return info;
}

std::vector<std::uint8_t> MakeWav(std::uint16_t channels, std::uint32_t sampleRate, std::uint16_t bitsPerSample,
                                  const void* samples, std::size_t bytes) {
  std::vector<std::uint8_t> v;
  const std::uint16_t align = static_cast<std::uint16_t>(channels * bitsPerSample / 8);
  bytes = std::min<std::size_t>(bytes, UINT32_MAX - 64);
  v.reserve(44 + bytes);
  v.insert(v.end(), {'R', 'I', 'F', 'F'});
  Put32(v, static_cast<std::uint32_t>(36 + bytes));
  v.insert(v.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(v, 16);
  Put16(v, 1);
  Put16(v, channels);
  Put32(v, sampleRate);
  Put32(v, sampleRate * align);
  Put16(v, align);
  Put16(v, bitsPerSample);
  v.insert(v.end(), {'d', 'a', 't', 'a'});
  Put32(v, static_cast<std::uint32_t>(bytes));
  const auto* s = static_cast<const std::uint8_t*>(samples);
  if (s) v.insert(v.end(), s, s + bytes);
  return v;
}

std::vector<std::uint8_t> CutWav(const void* data, std::size_t size, std::uint32_t maxMs) {
  const WavInfo info = InspectWav(data, size, UINT32_MAX);
  if (info.problem != WavProblem::kOk) return {};
  const std::uint64_t frames = static_cast<std::uint64_t>(info.sampleRate) * maxMs / 1000;
  const std::size_t bytes = static_cast<std::size_t>(std::min<std::uint64_t>(info.dataBytes, frames * info.blockAlign));
  return MakeWav(info.channels, info.sampleRate, info.bitsPerSample, static_cast<const std::uint8_t*>(data) + info.dataOffset,
                 bytes);
}

int PeakLevel(const void* samples, std::size_t bytes, std::uint16_t bitsPerSample) {
  const auto* p = static_cast<const std::uint8_t*>(samples);
  if (!p) return 0;
  int peak = 0;
  if (bitsPerSample == 16) {
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
      const int v = static_cast<std::int16_t>(Le16(p + i));
      peak = std::max(peak, v < 0 ? -v : v);
    }
    return std::min(100, peak * 100 / 32767);
  }
  if (bitsPerSample == 8) {
    for (std::size_t i = 0; i < bytes; ++i) peak = std::max(peak, std::abs(static_cast<int>(p[i]) - 128));
    return std::min(100, peak * 100 / 127);
  }
  return 0;
}

bimbly::cards::CardRecipe Recipe(const Item& item, bool hasSound) {
  namespace c = bimbly::cards;
  c::CardRecipe r{};
  r.label = "family";
  r.copies = std::clamp(item.copies, kMinCopies, kMaxCopies);
  r.picture.count = 1;
  switch (item.motion) {
    case Motion::kStill:
      // One copy in the middle; more copies stand still where they land.
      if (r.copies == 1) {
        r.placement.start = c::Start::kCentred;
        r.placement.x = 0.5f;
        r.placement.y = 0.5f;
      }
      break;
    case Motion::kFly:
      // Copies take turns flying right and left, re-entering at the far side.
      r.picture.count = 2;
      r.placement.direction[0] = 1;
      r.placement.direction[1] = 2;
      r.placement.band = true;
      r.placement.bandTop = 0.1f;
      r.placement.bandBottom = 0.9f;
      break;
    case Motion::kBounce:
      r.picture.count = 3;
      r.placement.direction[0] = 1;
      r.placement.direction[1] = 2;
      r.placement.direction[2] = 3;
      r.placement.edges = c::kAllEdges;
      break;
  }
  r.action.sound = hasSound ? c::Sound{c::SoundDo::kOnce, nullptr} : c::Sound{c::SoundDo::kSpeakName, nullptr};
  return r;
}

int CopyHeight(int screenHeight, int copies) {
  copies = std::clamp(copies, kMinCopies, kMaxCopies);
  const double third = screenHeight / 3.0;
  return std::max(16, static_cast<int>(third / std::sqrt(static_cast<double>(copies))));
}

Size CopySize(Size picture, int screenWidth, int screenHeight, int copies) {
  const int h = CopyHeight(screenHeight, copies);
  if (picture.width <= 0 || picture.height <= 0) return {h, h};
  int w = static_cast<int>(static_cast<std::int64_t>(picture.width) * h / picture.height);
  // A wide panorama may not grow past half the screen's width.
  const int maxW = std::max(16, screenWidth / 2);
  if (w > maxW) return {maxW, std::max(1, static_cast<int>(static_cast<std::int64_t>(picture.height) * maxW / picture.width))};
  return {std::max(1, w), h};
}

}  // namespace bimbly::family
