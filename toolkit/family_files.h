// The family cards on disk, in %APPDATA%\Bimbly\family\: family.ini and one
// picture and one sound file per card. The launcher's dialog and the family
// board read every file through the same checks, so a file that was changed
// or removed after it was added gives a placeholder, never a crash. Every
// write goes to a temporary file first and is then renamed over the old one.
// Picture work uses GDI+, which the caller keeps running.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/family_store.h"

namespace family_files {

using Bytes = std::vector<std::uint8_t>;

// The folder (APPDATA, else the user's roaming application data), with a
// trailing backslash; empty when neither is known.
std::wstring Folder();
std::wstring PathOf(const std::string& fileName);  // a file beside family.ini; empty for an empty name
// Creates the folder and its parent when they are missing.
bool EnsureFolder();

// family.ini; a missing or damaged file gives what can be read (maybe nothing).
bimbly::family::Book LoadBook();
bool SaveBook(const bimbly::family::Book& book);

enum class ReadProblem : std::uint8_t { kOk, kUnreadable, kTooBig, kEmpty };
ReadProblem ReadFileLimited(const std::wstring& path, std::uint64_t maxBytes, Bytes& out);
bool WriteFileReplacing(const std::wstring& path, const Bytes& bytes);

enum class PictureProblem : std::uint8_t {
  kOk,
  kUnreadable,    // the account cannot read it
  kTooBig,        // a file over 64 MB
  kNotPicture,    // no JPEG, PNG, GIF or BMP
  kDamaged,       // cut off or broken
  kTooManyPixels  // 50 megapixels or more
};
struct PreparedPicture {
  PictureProblem problem = PictureProblem::kNotPicture;
  Bytes bytes;  // re-encoded, upright, longest side at most 1024 (animated GIFs as they were)
  bimbly::family::PictureType type = bimbly::family::PictureType::kPng;
  int width = 0;
  int height = 0;
};
// Checks a picture the user picked and makes the file the program stores.
PreparedPicture PreparePicture(const std::wstring& path);
PreparedPicture PreparePictureBytes(const Bytes& encoded);

struct PreparedSound {
  bimbly::family::WavProblem problem = bimbly::family::WavProblem::kNotWav;
  ReadProblem read = ReadProblem::kOk;
  Bytes bytes;               // the file as stored (plain PCM WAV)
  std::uint32_t durationMs = 0;
};
// A WAV the user picked; with `cut`, a longer one is cut to 10 s instead of refused.
PreparedSound PrepareSound(const std::wstring& path, bool cut);

// A stored card's files, through the same checks: empty when missing,
// changed into something unusable or unreadable.
Bytes CardPicture(const bimbly::family::Item& item);
Bytes CardSound(const bimbly::family::Item& item);

// What a card without a usable picture shows: a PNG of a grey card with a
// question mark, `size` pixels square.
Bytes PlaceholderPicture(int size);

// A picture scaled into a size x size square on white (its first frame), or
// null when the bytes do not decode.
HBITMAP MakeThumbnail(const Bytes& encoded, int size);
// Size of a checked picture, 0 x 0 when it does not decode.
bimbly::family::Size PictureSize(const Bytes& encoded);

// Writes a card's new files and the book in that order; `book` gets the card
// (added at the end or replacing the one with its id). Old files a card no
// longer uses are removed only once the book names the new ones.
bool StoreCard(bimbly::family::Book& book, bimbly::family::Item card, const PreparedPicture* picture,
               const Bytes* sound, bool dropSound);
// Takes the card out of the book and then removes its files.
bool RemoveCard(bimbly::family::Book& book, int id);

std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);

}  // namespace family_files
