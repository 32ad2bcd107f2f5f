// The family cards' store: what is written reads back the same, a damaged
// family.ini gives what can be read, and no text a user or a damaged file
// supplies ever becomes a file name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/family_store.h"

using namespace bimbly::family;

namespace {
Item Card(int id, std::string name, std::string second, Motion m, int copies, bool sound) {
  Item item;
  item.id = id;
  item.name = std::move(name);
  item.secondName = std::move(second);
  item.picture = PictureFileName(id, id % 2 ? PictureType::kPng : PictureType::kGif);
  item.sound = sound ? SoundFileName(id) : "";
  item.motion = m;
  item.copies = copies;
  return item;
}
}  // namespace

TEST(FamilyStore, RoundTripKeepsEveryCardInOrder) {
  Book book;
  book.items = {Card(7, "\xE5\xA5\xB6\xE5\xA5\xB6", "Grandma", Motion::kStill, 1, true),  // 奶奶
                Card(2, "Kitty = [cat]", "", Motion::kFly, 10, false),
                Card(3, "\xF0\x9F\x90\xB6 dog", "Hund", Motion::kBounce, 4, true)};
  book.nextId = 8;
  const Book back = ParseIni(FormatIni(book));
  EXPECT_EQ(back.version, kFormatVersion);
  EXPECT_EQ(back.nextId, 8);
  EXPECT_EQ(back.items, book.items);
  Book grown = back;
  EXPECT_EQ(grown.TakeId(), 8);
  EXPECT_EQ(grown.TakeId(), 9);
  EXPECT_EQ(back.SwitchOrder(2, true), (std::vector<int>{3, 7, 2}));
  EXPECT_EQ(back.SwitchOrder(7, false), (std::vector<int>{3, 2, 7}));
}

TEST(FamilyStore, DamagedIniShowsWhatItCanRead) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<int> ids;
  };
  const std::string good = "[Item1]\nName=Mum\nPicture=item1.png\nCopies=2\n";
  const Case cases[] = {
      {"empty", "", {}},
      {"binary junk", std::string("\0\xFF\xFE[\n=\n]]", 10), {}},
      {"cut off mid-section", good + "[Item2]\nNa", {1}},
      {"no name, bad UTF-8 name", good + "[Item2]\nCopies=3\n[Item3]\nName=\xC3\n", {1}},
      {"repeated id keeps the first", good + "[Item1]\nName=Other\n", {1}},
      {"impossible ids", "[Item0]\nName=a\n[Item-4]\nName=b\n[Itemx]\nName=c\n[Item9999999]\nName=d\n" + good, {1}},
      {"CRLF, BOM, spaces", "\xEF\xBB\xBF[Family]\r\nVersion=1\r\n[Item4]\r\n Name = Dad \r\n", {4}},
      {"future version still read", "[Family]\nVersion=9\n" + good, {1}},
  };
  for (const Case& c : cases) {
    const Book book = ParseIni(c.text);
    std::vector<int> ids;
    for (const Item& item : book.items) ids.push_back(item.id);
    EXPECT_EQ(ids, c.ids) << c.what;
    // A new card never takes an id that is in use.
    Book copy = book;
    const int id = copy.TakeId();
    EXPECT_EQ(book.Find(id), nullptr) << c.what;
  }
  // Values out of range fall back; a card without its files still shows.
  const Book odd = ParseIni("[Family]\nNextId=-5\n[Item3]\nName=Cat\nCopies=99\nMotion=spin\n");
  ASSERT_EQ(odd.items.size(), 1u);
  EXPECT_EQ(odd.items[0].copies, kMaxCopies);
  EXPECT_EQ(odd.items[0].motion, Motion::kStill);
  EXPECT_EQ(odd.items[0].picture, "");
  EXPECT_EQ(odd.nextId, 4);
}

TEST(FamilyStore, FileNamesNeverComeFromText) {
  // Names and ini values that try to reach outside the folder or to add keys.
  const char* hostile[] = {"..\\..\\Windows\\win.ini", "C:\\x.png", "/etc/passwd", "item1.png\r\nSound=..\\a.wav",
                           "CON", "a:b", "item1.png.exe", "ITEM1.PNG", "item01.png", "item2.png"};
  for (const char* text : hostile) {
    Book book;
    Item item = Card(1, text, text, Motion::kStill, 1, true);
    book.items = {item};
    const Book back = ParseIni(FormatIni(book));
    ASSERT_EQ(back.items.size(), 1u) << text;
    EXPECT_EQ(back.items[0].picture, "item1.png") << text;
    EXPECT_EQ(back.items[0].sound, "item1.wav") << text;
    // A value written as the file name is dropped unless the program made it.
    if (std::string(text).find('\n') != std::string::npos) continue;  // that one is a file of its own
    const Book planted = ParseIni(std::string("[Item1]\nName=a\nPicture=") + text + "\nSound=" + text + "\n");
    ASSERT_EQ(planted.items.size(), 1u) << text;
    EXPECT_EQ(planted.items[0].picture, "") << text;
    EXPECT_EQ(planted.items[0].sound, "") << text;
  }
  EXPECT_EQ(PictureFileName(12, PictureType::kJpeg), "item12.jpg");
  EXPECT_TRUE(IsPictureFileName("item12.jpg", 12));
  EXPECT_FALSE(IsPictureFileName("item12.jpg", 1));
}

TEST(FamilyStore, NamesSoundsAndSizes) {
  struct NameCase {
    std::string text;
    bool required;
    NameProblem want;
  };
  const NameCase names[] = {
      {"", true, NameProblem::kEmpty},
      {"   ", true, NameProblem::kEmpty},
      {"", false, NameProblem::kOk},
      {"0123456789abcdef", true, NameProblem::kOk},
      {"0123456789abcdefg", true, NameProblem::kTooLong},
      {"\xE5\xA5\xB6\xE5\xA5\xB6\xE5\xA5\xB6\xE5\xA5\xB6\xE5\xA5\xB6\xE5\xA5\xB6", true, NameProblem::kOk},
      {"a\nb", true, NameProblem::kBadText},
      {"\xC0\xAF", true, NameProblem::kBadText},  // overlong '/'
      {"\xED\xA0\x80", true, NameProblem::kBadText},  // a lone surrogate
  };
  for (const NameCase& c : names) EXPECT_EQ(CheckName(c.text, c.required), c.want) << c.text;

  const std::vector<std::uint8_t> second(16000 * 2, 0x10);  // 16 kHz mono, 16 bits: one second
  const std::vector<std::uint8_t> wav = MakeWav(1, 16000, 16, second.data(), second.size());
  WavInfo info = InspectWav(wav.data(), wav.size());
  EXPECT_EQ(info.problem, WavProblem::kOk);
  EXPECT_EQ(info.durationMs, 1000u);
  EXPECT_EQ(InspectWav(wav.data(), wav.size(), 999).problem, WavProblem::kTooLong);
  const std::vector<std::uint8_t> cut = CutWav(wav.data(), wav.size(), 250);
  info = InspectWav(cut.data(), cut.size());
  EXPECT_EQ(info.durationMs, 250u);
  std::vector<std::uint8_t> adpcm = wav;
  adpcm[20] = 2;
  EXPECT_EQ(InspectWav(adpcm.data(), adpcm.size()).problem, WavProblem::kNotPcm);
  const std::vector<std::uint8_t> empty = MakeWav(1, 16000, 16, nullptr, 0);
  EXPECT_EQ(InspectWav(empty.data(), empty.size()).problem, WavProblem::kEmpty);
  EXPECT_EQ(InspectWav("RIFF1234WAVEjunk", 16).problem, WavProblem::kNotWav);
  EXPECT_TRUE(CutWav(adpcm.data(), adpcm.size()).empty());

  EXPECT_EQ(FitWithin({4000, 3000}, kMaxPictureSide).width, 1024);
  EXPECT_EQ(FitWithin({4000, 3000}, kMaxPictureSide).height, 768);
  EXPECT_EQ(FitWithin({300, 200}, kMaxPictureSide).width, 300);
  EXPECT_TRUE(TooManyPixels({10000, 5000}));
  EXPECT_FALSE(TooManyPixels({8000, 6000}));
  const unsigned char png[24] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                 0, 0, 0x75, 0x30, 0, 0, 0x13, 0x88};  // 30000 x 5000
  EXPECT_TRUE(TooManyPixels(HeaderSize(png, sizeof png)));
  const unsigned char jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xC0, 0, 11, 8, 0x07, 0xD0, 0x0A, 0x00, 3};
  EXPECT_EQ(HeaderSize(jpeg, sizeof jpeg).width, 2560);
  EXPECT_EQ(HeaderSize(jpeg, sizeof jpeg).height, 2000);
  EXPECT_EQ(HeaderSize(jpeg, 9).width, 0);
  // EXIF orientation, little- and big-endian, and damaged blocks that say nothing.
  auto exif = [](bool little, std::uint8_t value, std::uint16_t entries) {
    std::vector<std::uint8_t> j = {0xFF, 0xD8, 0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0};
    const std::vector<std::uint8_t> ii = {'I', 'I', 42, 0, 8, 0, 0, 0, static_cast<std::uint8_t>(entries), 0,
                                          0x12, 0x01, 3, 0, 1, 0, 0, 0, value, 0, 0, 0, 0, 0, 0, 0};
    const std::vector<std::uint8_t> mm = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, static_cast<std::uint8_t>(entries),
                                          0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, value, 0, 0, 0, 0, 0, 0};
    j.insert(j.end(), (little ? ii : mm).begin(), (little ? ii : mm).end());
    j.insert(j.end(), {0xFF, 0xD9});
    return j;
  };
  EXPECT_EQ(ExifOrientation(exif(true, 6, 1).data(), exif(true, 6, 1).size()), 6);
  EXPECT_EQ(ExifOrientation(exif(false, 8, 1).data(), exif(false, 8, 1).size()), 8);
  EXPECT_EQ(ExifOrientation(exif(true, 9, 1).data(), exif(true, 9, 1).size()), 1);
  EXPECT_EQ(ExifOrientation(exif(true, 6, 200).data(), exif(true, 6, 200).size()), 6);  // found before the overrun
  EXPECT_EQ(ExifOrientation(exif(true, 6, 1).data(), 20), 1);  // cut off
  EXPECT_EQ(CopyHeight(768, 1), 256);
  EXPECT_LT(CopyHeight(768, 10), CopyHeight(768, 2));
  EXPECT_LE(CopySize({4000, 100}, 1024, 768, 1).width, 512);
}
