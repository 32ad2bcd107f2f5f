// The family's own picture cards ("我的家"): what family.ini holds, the names
// of the files beside it, and the rules every card must meet before it is
// written or played. Text is UTF-8 here; the Windows side converts.
//
// family.ini, one section per card in the order the cards are listed:
//   [Family]  Version=1  NextId=<id of the next new card>
//   [Item<id>] Name=, SecondName=, Picture=, Sound=, Motion=still|fly|bounce, Copies=1..10
// Reading never fails: what cannot be understood is left out or falls back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/card_recipes.h"

namespace bimbly::family {

inline constexpr int kFormatVersion = 1;
inline constexpr int kMaxNameChars = 16;
inline constexpr int kMinCopies = 1;
inline constexpr int kMaxCopies = 10;
inline constexpr int kDefaultCopies = 3;
inline constexpr int kMaxPictureSide = 1024;
inline constexpr std::uint64_t kMaxPicturePixels = 50'000'000;  // this many or more is refused
inline constexpr std::uint64_t kMaxFileBytes = 64ull * 1024 * 1024;
inline constexpr std::uint32_t kMaxSoundMs = 10'000;
// Ids stay small so that file names and catalog values stay short.
inline constexpr int kMaxId = 999'999;

enum class Motion : std::uint8_t { kStill, kFly, kBounce };

struct Item {
  int id = 0;
  std::string name;        // required
  std::string secondName;  // optional, second language
  std::string picture;     // file name beside family.ini; empty or unusable: placeholder
  std::string sound;       // file name; empty: the name is spoken
  Motion motion = Motion::kStill;
  int copies = kDefaultCopies;
  bool operator==(const Item& o) const {
    return id == o.id && name == o.name && secondName == o.secondName && picture == o.picture && sound == o.sound &&
           motion == o.motion && copies == o.copies;
  }
};

struct Book {
  int version = kFormatVersion;
  int nextId = 1;
  std::vector<Item> items;
  // The card with this id, or null.
  const Item* Find(int id) const;
  Item* Find(int id);
  // Position of a card in the list, or -1.
  int IndexOf(int id) const;
  // Takes the next id (never reused while the book lives).
  int TakeId();
  // Ids tried, in order, when a game steps from card `id` to the previous or
  // next one: every other card once, wrapping, ending with `id` itself.
  std::vector<int> SwitchOrder(int id, bool forward) const;
};

std::string FormatIni(const Book& book);
Book ParseIni(std::string_view text);

// The only file names a card may use, made from its id alone.
enum class PictureType : std::uint8_t { kPng, kJpeg, kGif };
std::string PictureFileName(int id, PictureType type);
std::string SoundFileName(int id);
// True when `fileName` is one of the names the program makes for card `id`
// (anything else in family.ini, such as a path, is not opened).
bool IsPictureFileName(std::string_view fileName, int id);
bool IsSoundFileName(std::string_view fileName, int id);

// Why a name is refused; kOk when it is fine.
enum class NameProblem : std::uint8_t { kOk, kEmpty, kTooLong, kBadText };
// Counts characters (code points) of well-formed UTF-8 with no control
// characters; required names may not be empty or blank.
NameProblem CheckName(std::string_view utf8, bool required);
std::size_t CountChars(std::string_view utf8);  // SIZE_MAX for malformed UTF-8

// Longest side at most `maxSide`, keeping the proportions.
struct Size {
  int width = 0;
  int height = 0;
};
Size FitWithin(Size size, int maxSide);
bool TooManyPixels(Size size);
// Width and height as a PNG, GIF, BMP or JPEG header states them, read before
// any decoder sees the file; 0 x 0 when the header does not say.
Size HeaderSize(const void* data, std::size_t size);
// The EXIF orientation of a JPEG (1-8; 1, upright, when it has none or the
// EXIF block is damaged): how a phone camera says which way up it was held.
int ExifOrientation(const void* data, std::size_t size);

// WAV files: only uncompressed PCM is kept.
enum class WavProblem : std::uint8_t { kOk, kNotWav, kEmpty, kNotPcm, kTooLong };
struct WavInfo {
  WavProblem problem = WavProblem::kNotWav;
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint16_t bitsPerSample = 0;
  std::uint16_t blockAlign = 0;
  std::size_t dataOffset = 0;  // of the samples in the file
  std::size_t dataBytes = 0;   // whole frames only
  std::uint32_t durationMs = 0;
};
WavInfo InspectWav(const void* data, std::size_t size, std::uint32_t maxMs = kMaxSoundMs);
// A plain PCM WAV file of the given samples.
std::vector<std::uint8_t> MakeWav(std::uint16_t channels, std::uint32_t sampleRate, std::uint16_t bitsPerSample,
                                  const void* samples, std::size_t bytes);
// The first `maxMs` of a PCM file (inspected without a length limit) as a
// plain PCM WAV; empty when the file is not usable PCM.
std::vector<std::uint8_t> CutWav(const void* data, std::size_t size, std::uint32_t maxMs = kMaxSoundMs);
// Peak level 0-100 of 16-bit or 8-bit PCM samples, for a level bar.
int PeakLevel(const void* samples, std::size_t bytes, std::uint16_t bitsPerSample);

// How a card plays: a sound board whose every key sends one more copy and
// plays the card's sound (or, without one, has its name spoken).
bimbly::cards::CardRecipe Recipe(const Item& item, bool hasSound);
// Height of each copy on a screen `screenHeight` high: a third of the screen
// for one copy, smaller the more copies there are.
int CopyHeight(int screenHeight, int copies);
Size CopySize(Size picture, int screenWidth, int screenHeight, int copies);

}  // namespace bimbly::family
