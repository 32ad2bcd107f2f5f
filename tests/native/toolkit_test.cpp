// Rules of the image window that need no window system, and the structural
// check of encoded pictures.
#include "core/image_rules.h"
#include "core/picture_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

using namespace bimbly::image;

TEST(ImageRules, FrameDelaysOfZeroOrOverTenSecondsBecomeATenthOfASecond) {
  EXPECT_EQ(FrameDelayMs(0), 100u);
  EXPECT_EQ(FrameDelayMs(1), 10u);
  EXPECT_EQ(FrameDelayMs(4), 40u);
  EXPECT_EQ(FrameDelayMs(1000), 10000u);  // exactly 10 s is kept
  EXPECT_EQ(FrameDelayMs(1001), 100u);
  EXPECT_EQ(FrameDelayMs(65535), 100u);  // the largest a GIF can store
  // Values whose product with 10 would wrap a 32-bit number.
  EXPECT_EQ(FrameDelayMs(429496730u), 100u);
  EXPECT_EQ(FrameDelayMs(std::numeric_limits<std::uint32_t>::max()), 100u);
}

TEST(ImageRules, DelayListCoversEveryKeptFrame) {
  EXPECT_EQ(FrameDelaysMs({10, 0, 30}, 3), (std::vector<std::uint32_t>{100, 100, 300}));
  // Fewer delays than frames (a broken property): the rest get the fallback.
  EXPECT_EQ(FrameDelaysMs({20}, 3), (std::vector<std::uint32_t>{200, 100, 100}));
  // More delays than kept frames: the extra ones are ignored.
  EXPECT_EQ(FrameDelaysMs({20, 30, 40}, 2), (std::vector<std::uint32_t>{200, 300}));
  EXPECT_TRUE(FrameDelaysMs({20}, 0).empty());
}

TEST(ImageRules, PictureAndFrameCapsBoundMemory) {
  EXPECT_FALSE(PictureSizeAcceptable(0, 10));
  EXPECT_FALSE(PictureSizeAcceptable(10, 0));
  EXPECT_FALSE(PictureSizeAcceptable(-1, 10));
  EXPECT_TRUE(PictureSizeAcceptable(1, 1));
  EXPECT_TRUE(PictureSizeAcceptable(1920, 1080));
  EXPECT_TRUE(PictureSizeAcceptable(4096, 4096));
  EXPECT_FALSE(PictureSizeAcceptable(4097, 4096));
  EXPECT_FALSE(PictureSizeAcceptable(65000, 65000));
  // Thin but enormous in one direction: the product would overflow 32 bits.
  EXPECT_TRUE(PictureSizeAcceptable(16777216, 1));
  EXPECT_FALSE(PictureSizeAcceptable(16777217, 1));
  EXPECT_FALSE(PictureSizeAcceptable(std::numeric_limits<std::int64_t>::max(), 2));

  EXPECT_EQ(FramesToKeep(60, 200, 200), 60u);
  EXPECT_EQ(FramesToKeep(3000, 1, 1), kMaxFrames);
  EXPECT_EQ(FramesToKeep(0, 10, 10), 0u);
  EXPECT_EQ(FramesToKeep(5, 65000, 65000), 0u);
  // Full-screen frames: only as many as fit into the animation budget.
  const std::uint32_t keep = FramesToKeep(100, 1920, 1080);
  EXPECT_EQ(keep, kMaxAnimationPixels / (1920u * 1080u));
  EXPECT_LE(static_cast<std::uint64_t>(keep) * 1920 * 1080, kMaxAnimationPixels);
  // A single frame larger than the budget is still kept (when the picture is acceptable).
  EXPECT_EQ(FramesToKeep(10, 4096, 4096), 2u);
}

TEST(ImageRules, AnimationLoopsAndStopsAtTheStopFrame) {
  const std::vector<std::uint32_t> delays{100, 300, 100, 300};
  AnimationState s;
  s.frameCount = 4;
  s.loop = true;
  // Not before the delay has passed (strictly more than the delay).
  EXPECT_EQ(NextFrame(s, delays, 1100, 1000), 0);
  EXPECT_EQ(NextFrame(s, delays, 1101, 1000), 1);
  s.currentFrame = 1;
  EXPECT_EQ(NextFrame(s, delays, 1300, 1000), 1);
  EXPECT_EQ(NextFrame(s, delays, 1301, 1000), 2);
  s.currentFrame = 3;
  EXPECT_EQ(NextFrame(s, delays, 5000, 1000), 0);  // wraps
  // Across the tick counter's wrap.
  s.currentFrame = 0;
  EXPECT_EQ(NextFrame(s, delays, 30, 0xFFFFFFC0u), 0);  // 94 ms later
  EXPECT_EQ(NextFrame(s, delays, 40, 0xFFFFFFC0u), 1);  // 104 ms later

  // Without loop: runs until the stop frame, then stays.
  s.loop = false;
  s.stopFrame = 2;
  s.currentFrame = 1;
  EXPECT_TRUE(MayAdvance(s));
  EXPECT_EQ(NextFrame(s, delays, 9999, 0), 2);
  s.currentFrame = 2;
  EXPECT_FALSE(MayAdvance(s));
  EXPECT_EQ(NextFrame(s, delays, 9999, 0), 2);
  // Stop frame -1 halts at once, wherever the animation is.
  s.stopFrame = -1;
  s.currentFrame = 1;
  EXPECT_EQ(NextFrame(s, delays, 9999, 0), 1);
  // A stop frame the animation never reaches: it goes on cycling.
  s.stopFrame = 7;
  s.currentFrame = 3;
  EXPECT_EQ(NextFrame(s, delays, 9999, 0), 0);

  // One frame (or none) never changes.
  AnimationState still;
  still.frameCount = 1;
  EXPECT_FALSE(MayAdvance(still));
  EXPECT_EQ(NextFrame(still, {100}, 9999, 0), 0);
  // A current frame out of range (should not happen) goes back to the first.
  s.loop = true;
  s.currentFrame = 9;
  EXPECT_EQ(NextFrame(s, delays, 9999, 0), 0);
  // Missing delays use the fallback.
  s.currentFrame = 0;
  EXPECT_EQ(NextFrame(s, {}, 100, 0), 0);
  EXPECT_EQ(NextFrame(s, {}, 101, 0), 1);
}

TEST(ImageRules, SurfaceGeometry) {
  EXPECT_EQ(SurfaceStride(1), 4u);
  EXPECT_EQ(SurfaceStride(1280), 5120u);
  EXPECT_EQ(SurfaceBytes(1280, 1024), 5120u * 1024u);
  EXPECT_EQ(SurfaceBytes(0, 10), 0u);
  EXPECT_EQ(SurfaceBytes(10, -1), 0u);
  EXPECT_FALSE(SurfaceNeedsRebuild(100, 50, 100, 50));  // a move keeps the surface
  EXPECT_TRUE(SurfaceNeedsRebuild(100, 50, 101, 50));
  EXPECT_TRUE(SurfaceNeedsRebuild(0, 0, 10, 10));

  // Source pixel centres land in their stretched blocks.
  EXPECT_EQ(StretchedCentre(0, 0, 20, 20, 80, 60).x, 2);
  EXPECT_EQ(StretchedCentre(0, 0, 20, 20, 80, 60).y, 1);
  EXPECT_EQ(StretchedCentre(19, 19, 20, 20, 80, 60).x, 78);
  EXPECT_EQ(StretchedCentre(19, 19, 20, 20, 80, 60).y, 58);
  EXPECT_EQ(StretchedCentre(5, 5, 10, 10, 10, 10).x, 5);  // natural size: identity
  EXPECT_EQ(StretchedCentre(3, 3, 0, 0, 10, 10).x, 0);
}

// ---- Structural check of encoded pictures ----

namespace {

std::string DataFile(const char* name) {
  std::string path = __FILE__;
  path = path.substr(0, path.find_last_of("/\\") + 1) + "../unit/toolkit/data/" + name;
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

PictureCheck Check(const std::string& s) { return CheckPicture(s.data(), s.size()); }

void PutBe32(std::string& s, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<char>((v >> shift) & 0xFF));
}

std::string PngChunk(const char* type, const std::string& data) {
  std::string c;
  PutBe32(c, static_cast<std::uint32_t>(data.size()));
  const std::string body = std::string(type, 4) + data;
  c += body;
  PutBe32(c, Crc32(reinterpret_cast<const std::uint8_t*>(body.data()), body.size()));
  return c;
}

std::string MinimalPng(bool withEnd = true) {
  std::string ihdr;
  PutBe32(ihdr, 1);
  PutBe32(ihdr, 1);
  ihdr += std::string("\x08\x06\x00\x00\x00", 5);
  std::string png = "\x89PNG\r\n\x1a\n";
  png += PngChunk("IHDR", ihdr) + PngChunk("IDAT", std::string("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9));
  if (withEnd) png += PngChunk("IEND", "");
  return png;
}

}  // namespace

TEST(PictureCheck, Crc32MatchesTheStandardCheckValue) {
  const std::string s = "123456789";
  EXPECT_EQ(Crc32(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()), 0xCBF43926u);
}

TEST(PictureCheck, IntactPicturesOfEveryKindPass) {
  struct Case {
    const char* file;
    PictureKind kind;
  };
  for (const Case& c : {Case{"alpha.png", PictureKind::kPng}, Case{"quads.png", PictureKind::kPng},
                        Case{"anim4.gif", PictureKind::kGif}, Case{"still.gif", PictureKind::kGif},
                        Case{"solid.jpg", PictureKind::kJpeg}, Case{"large.jpg", PictureKind::kJpeg},
                        Case{"keyed.bmp", PictureKind::kBmp}, Case{"icon.ico", PictureKind::kIcon}}) {
    const std::string bytes = DataFile(c.file);
    ASSERT_FALSE(bytes.empty()) << c.file;
    const PictureCheck r = Check(bytes);
    EXPECT_EQ(r.kind, c.kind) << c.file;
    EXPECT_TRUE(r.intact) << c.file;
  }
  EXPECT_EQ(Check(DataFile("anim4.gif")).gifFrames, 4u);
  EXPECT_EQ(Check(DataFile("many.gif")).gifFrames, 3000u);
  EXPECT_TRUE(Check(MinimalPng()).intact);
  // Unknown data is left to the decoder.
  EXPECT_EQ(Check("just some text").kind, PictureKind::kUnknown);
  EXPECT_TRUE(Check("just some text").intact);
}

TEST(PictureCheck, EveryCutShortPictureFails) {
  for (const char* file : {"alpha.png", "anim4.gif", "solid.jpg", "keyed.bmp", "icon.ico"}) {
    const std::string bytes = DataFile(file);
    ASSERT_GT(bytes.size(), 10u);
    // Cut anywhere after the signature: never intact, never out of bounds
    // (the sanitizers watch the reads).
    for (std::size_t n = 8; n < bytes.size() - 1; ++n) {
      const PictureCheck r = CheckPicture(bytes.data(), n);
      EXPECT_FALSE(r.intact) << file << " cut at " << n;
    }
  }
  EXPECT_FALSE(Check(MinimalPng(false)).intact);  // no IEND
  EXPECT_FALSE(CheckPicture(nullptr, 10).intact);
  EXPECT_FALSE(CheckPicture("x", 0).intact);
}

TEST(PictureCheck, DamagedBlocksFail) {
  // PNG: a flipped bit anywhere in a chunk breaks its CRC.
  std::string png = MinimalPng();
  png[40] = static_cast<char>(png[40] ^ 0x10);
  EXPECT_FALSE(Check(png).intact);
  // PNG: a chunk length pointing past the end.
  png = MinimalPng();
  png[33] = '\x7F';
  EXPECT_FALSE(Check(png).intact);
  // GIF: an unknown block type.
  std::string gif = DataFile("still.gif");
  gif[gif.size() - 1] = '\x99';
  EXPECT_FALSE(Check(gif).intact);
  // BMP: pixel rows missing although the file ends properly.
  std::string bmp = DataFile("keyed.bmp");
  bmp[22] = '\x40';  // height 64 instead of 32
  EXPECT_FALSE(Check(bmp).intact);
  // Icon: an entry pointing outside the file.
  std::string ico = DataFile("icon.ico");
  ico[6 + 12] = '\xF0';
  ico[6 + 13] = '\xFF';
  EXPECT_FALSE(Check(ico).intact);
  // JPEG: without a frame header.
  EXPECT_FALSE(Check(std::string("\xFF\xD8\xFF\xD9", 4)).intact);
}
