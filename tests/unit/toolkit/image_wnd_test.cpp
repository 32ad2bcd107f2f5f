// The image window: decoding, drawing through its own surface, GIF timing,
// the API derived windows use, bad pictures and handle hygiene.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/gdiplus_session.h"
#include "framework/window.h"
#include "core/image_rules.h"
#include "toolkit/image_wnd.h"
#include "tests/support/process_counts.h"
#include "tests/support/pump.h"

namespace {

// GDI+ runs for the whole test program, as the launcher runs it for the process.
class GdiplusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { session_ = std::make_unique<fw::GdiplusSession>(); }
  void TearDown() override { session_.reset(); }

 private:
  std::unique_ptr<fw::GdiplusSession> session_;
};
::testing::Environment* const g_gdiplus = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

HINSTANCE Self() { return ::GetModuleHandleW(nullptr); }

// Waits serve this thread's messages: windows on the window threads may talk
// to owners on this one.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) { return PumpUntil(done, timeoutMs); }
void Pump(DWORD ms) { PumpFor(ms); }

struct Argb {
  int a, r, g, b;
};
Argb Split(std::uint32_t p) {
  return {static_cast<int>(p >> 24), static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255),
          static_cast<int>(p & 255)};
}

// A picture window created and shown, its first paint done.
bool ShowAndPaint(CImageWnd& w, HWND owner = nullptr) {
  if (!w.CreateImageWindow(owner)) return false;
  const LONG before = w.paintCount();
  ::ShowWindow(w.hwnd(), SW_SHOWNOACTIVATE);
  ::InvalidateRect(w.hwnd(), nullptr, TRUE);
  return WaitFor([&] { return w.paintCount() > before; }, 3000);
}

struct Snapshot {
  std::vector<std::uint32_t> pixels;
  int width = 0;
  int height = 0;
  bool ok = false;
  Argb at(int x, int y) const { return Split(pixels[static_cast<std::size_t>(y) * width + x]); }
};
Snapshot Snap(CImageWnd& w) {
  Snapshot s;
  s.ok = w.SnapshotSurface(s.pixels, s.width, s.height);
  return s;
}

// Repaints and waits for it.
bool Repaint(CImageWnd& w) {
  const LONG before = w.paintCount();
  w.Invalidate();
  return WaitFor([&] { return w.paintCount() > before; }, 3000);
}

bool Near(int a, int b, int tolerance = 12) { return a >= b - tolerance && a <= b + tolerance; }

// Records the frame changes of a running animation.
struct FrameLog {
  std::vector<int> frames;
  std::vector<ULONGLONG> times;
};
FrameLog WatchFrames(const CImageWnd& w, DWORD ms) {
  FrameLog log;
  log.frames.push_back(w.currentFrame());
  log.times.push_back(::GetTickCount64());
  WaitFor(
      [&] {
        const int f = w.currentFrame();
        if (f != log.frames.back()) {
          log.frames.push_back(f);
          log.times.push_back(::GetTickCount64());
        }
        return false;
      },
      ms);
  return log;
}

}  // namespace

TEST(ImageWndLoad, BadResourcesFailQuietlyAndTheWindowShowsNothing) {
  struct Case {
    const wchar_t* name;
    const char* why;
  };
  const Case cases[] = {
      {nullptr, "no name"},
      {L"NOSUCH", "missing"},
      {L"WRONGTYPE", "not of type IMAGE"},
      {L"EMPTY", "zero bytes"},
      {L"TRUNCPNG", "truncated PNG"},
      {L"TRUNCJPG", "truncated JPEG"},
      {L"TRUNCGIF", "truncated GIF"},
      {L"GARBAGE", "not a picture"},
      {L"HUGEPNG", "30000 x 30000 PNG header"},
      {L"HUGEFRAME", "65000 x 65000 GIF frame"},
  };
  for (const Case& c : cases) {
    CImageWnd w;
    EXPECT_FALSE(w.LoadImageResource(c.name, Self())) << c.why;
    EXPECT_FALSE(w.hasImage()) << c.why;
    EXPECT_EQ(w.imageWidth(), 10) << c.why;
  }
  // A GIF whose logical screen claims 65000 x 65000 around a 1 x 1 frame:
  // refused where the decoder reports the screen size, tiny where it reports
  // the frame's; never a giant window.
  {
    CImageWnd w;
    if (w.LoadImageResource(L"HUGESCREEN", Self())) {
      EXPECT_LE(static_cast<std::uint64_t>(w.imageWidth()) * w.imageHeight(), bimbly::image::kMaxPixels);
    }
  }
  // A window without a picture still runs and draws nothing at all.
  CImageWnd w;
  EXPECT_FALSE(w.LoadImageResource(L"GARBAGE", Self()));
  ASSERT_TRUE(ShowAndPaint(w));
  const Snapshot s = Snap(w);
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.width, 10);
  for (std::uint32_t p : s.pixels) ASSERT_EQ(p, 0u);
  // A module without the resource, and a null module that is not this program.
  CImageWnd other;
  EXPECT_FALSE(other.LoadImageResource(L"ALPHA", ::GetModuleHandleW(L"kernel32.dll")));
}

TEST(ImageWndLoad, FormatsDecideSizeAndDrawingPath) {
  struct Case {
    const wchar_t* name;
    CImageWnd::Format format;
    int width, height;
    bool layered;
    UINT frames;
  };
  const Case cases[] = {
      {L"SOLID", CImageWnd::Format::kJpeg, 32, 32, false, 0},
      {L"ALPHA", CImageWnd::Format::kPng, 32, 32, true, 0},
      {L"KEYED", CImageWnd::Format::kBmp, 32, 32, true, 0},
      {L"ANIM4", CImageWnd::Format::kGif, 16, 16, true, 4},
      {L"STILL", CImageWnd::Format::kGif, 16, 16, true, 1},
  };
  for (const Case& c : cases) {
    CImageWnd w;
    ASSERT_TRUE(w.LoadImageResource(c.name, Self())) << static_cast<const void*>(c.name);
    EXPECT_EQ(w.format(), c.format);
    EXPECT_EQ(w.imageWidth(), c.width);
    EXPECT_EQ(w.imageHeight(), c.height);
    EXPECT_EQ(w.layered.load(), c.layered);
    EXPECT_EQ(w.frameCount(), c.frames);
  }
  // Icons: some decoders report them as bitmaps; either way they are layered.
  CImageWnd icon;
  ASSERT_TRUE(icon.LoadImageResource(L"ICON1", Self()));
  EXPECT_TRUE(icon.format() == CImageWnd::Format::kIcon || icon.format() == CImageWnd::Format::kBmp);
  EXPECT_EQ(icon.imageWidth(), 16);
  EXPECT_TRUE(icon.layered);
  // Narrow names (as the modules' tables hold them) and numbered resources.
  CImageWnd narrow;
  EXPECT_TRUE(narrow.LoadImageResource("ALPHA", Self()));
  CImageWnd numbered;
  EXPECT_TRUE(numbered.LoadImageResource(MAKEINTRESOURCEW(301), Self()));
  // A window that failed a second load has no picture.
  CImageWnd again;
  ASSERT_TRUE(again.LoadImageResource(L"ALPHA", Self()));
  EXPECT_FALSE(again.LoadImageResource(L"TRUNCPNG", Self()));
  EXPECT_FALSE(again.hasImage());
}

TEST(ImageWndLoad, OversizedAndOverlongPicturesAreCapped) {
  // 3000 frames: only the capped number is decoded, in bounded time.
  CImageWnd many;
  const ULONGLONG start = ::GetTickCount64();
  ASSERT_TRUE(many.LoadImageResource(L"MANY", Self()));
  EXPECT_EQ(many.frameCount(), bimbly::image::kMaxFrames);
  EXPECT_LT(::GetTickCount64() - start, 30000u);
  // Delays of 1/100 s are kept; the animation runs through the kept frames.
  EXPECT_EQ(many.frameDelayMs(0), 10u);
  ASSERT_TRUE(ShowAndPaint(many));
  EXPECT_TRUE(WaitFor([&] { return many.currentFrame() > 3; }, 2000));

  // Twice the screen in each direction: loads, gets a window of its size and draws.
  CImageWnd large;
  ASSERT_TRUE(large.LoadImageResource(L"LARGE", Self()));
  EXPECT_EQ(large.imageWidth(), 2560);
  ASSERT_TRUE(ShowAndPaint(large));
  const Snapshot s = Snap(large);
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.pixels.size(), static_cast<std::size_t>(s.width) * s.height);
  EXPECT_EQ(s.at(s.width / 2, s.height / 2).a, 255);
}

namespace {
std::string ResourceBytes(const wchar_t* name) {
  HRSRC r = ::FindResourceW(Self(), name, L"IMAGE");
  if (!r) return {};
  const void* data = ::LockResource(::LoadResource(Self(), r));
  return std::string(static_cast<const char*>(data), ::SizeofResource(Self(), r));
}
}  // namespace

// Damaged copies of every format: flipped bytes, cuts and inflated header
// fields. None may crash, hang or load beyond the caps; some get drawn.
TEST(ImageWndLoad, MutatedPicturesNeverCrashOrExceedTheCaps) {
  std::uint32_t seed = 0x9E3779B9u;
  const auto next = [&seed] {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return seed;
  };
  // BIMBLY_FUZZ_ROUNDS raises the number of copies per picture for a longer run.
  int rounds = 150;
  wchar_t text[16] = {};
  if (::GetEnvironmentVariableW(L"BIMBLY_FUZZ_ROUNDS", text, 16) > 0) rounds = std::max(1, _wtoi(text));
  int loaded = 0;
  int drawn = 0;
  const ULONGLONG start = ::GetTickCount64();
  for (const wchar_t* name : {L"ALPHA", L"SOLID", L"ANIM4", L"KEYED", L"ICON1", L"STILL"}) {
    const std::string original = ResourceBytes(name);
    ASSERT_FALSE(original.empty());
    for (int i = 0; i < rounds; ++i) {
      std::string bytes = original;
      switch (i % 3) {
        case 0:  // a few bytes anywhere
          for (int k = 1 + static_cast<int>(next() % 8); k > 0; --k)
            bytes[next() % bytes.size()] = static_cast<char>(next());
          break;
        case 1:  // cut short
          bytes.resize(1 + next() % (bytes.size() - 1));
          break;
        default:  // 0xFF runs in the first 32 bytes, where the sizes live
          for (int k = 0; k < 2; ++k) {
            const std::size_t at = next() % std::min<std::size_t>(32, bytes.size() - 2);
            bytes[at] = bytes[at + 1] = static_cast<char>(0xFF);
          }
          break;
      }
      CImageWnd w;
      if (!w.LoadImageBytes(bytes.data(), bytes.size())) {
        EXPECT_FALSE(w.hasImage());
        continue;
      }
      ++loaded;
      EXPECT_TRUE(bimbly::image::PictureSizeAcceptable(w.imageWidth(), w.imageHeight()));
      EXPECT_LE(w.frameCount(), bimbly::image::kMaxFrames);
      if (drawn < 12 && i % 5 == 0) {
        ++drawn;
        EXPECT_TRUE(ShowAndPaint(w));
      }
    }
  }
  std::printf("mutants loaded %d, drawn %d, %llu ms\n", loaded, drawn,
              static_cast<unsigned long long>(::GetTickCount64() - start));
}

TEST(ImageWndDraw, JpegIsOpaque) {
  CImageWnd w;
  ASSERT_TRUE(w.LoadImageResource(L"SOLID", Self()));
  ASSERT_TRUE(ShowAndPaint(w));
  EXPECT_EQ(::GetWindowLongW(w.hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  const Snapshot s = Snap(w);
  ASSERT_TRUE(s.ok);
  ASSERT_EQ(s.width, 32);
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const Argb p = s.at(x, y);
      ASSERT_EQ(p.a, 255) << x << "," << y;
      ASSERT_TRUE(Near(p.r, 200) && Near(p.g, 40) && Near(p.b, 40)) << x << "," << y;
    }
}

TEST(ImageWndDraw, TransparentAndColourKeyedPixelsLetTheBackgroundThrough) {
  // PNG: opaque blue left half, fully transparent top right, half-transparent
  // white bottom right (premultiplied on the surface).
  CImageWnd png;
  ASSERT_TRUE(png.LoadImageResource(L"ALPHA", Self()));
  ASSERT_TRUE(ShowAndPaint(png));
  EXPECT_NE(::GetWindowLongW(png.hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  Snapshot s = Snap(png);
  ASSERT_TRUE(s.ok);
  Argb p = s.at(8, 8);
  EXPECT_EQ(p.a, 255);
  EXPECT_EQ(p.b, 255);
  EXPECT_EQ(p.r, 0);
  p = s.at(24, 8);
  EXPECT_EQ(p.a, 0);
  EXPECT_EQ(p.r + p.g + p.b, 0);
  p = s.at(24, 24);
  EXPECT_TRUE(Near(p.a, 128)) << p.a;
  EXPECT_TRUE(Near(p.r, p.a, 2));

  // BMP with the key on: magenta becomes holes, the green square stays.
  CImageWnd keyed;
  ASSERT_TRUE(keyed.LoadImageResource(L"KEYED", Self()));
  keyed.colorKeyOn = true;
  keyed.colorKey = RGB(255, 0, 255);
  ASSERT_TRUE(ShowAndPaint(keyed));
  s = Snap(keyed);
  ASSERT_TRUE(s.ok);
  for (auto [x, y] : {std::pair{0, 0}, {31, 0}, {0, 31}, {31, 31}, {4, 16}}) EXPECT_EQ(s.at(x, y).a, 0) << x << "," << y;
  p = s.at(16, 16);
  EXPECT_EQ(p.a, 255);
  EXPECT_EQ(p.g, 255);
  EXPECT_EQ(p.r, 0);
  // The same picture without the key is opaque magenta at the edge.
  keyed.colorKeyOn = false;
  ASSERT_TRUE(Repaint(keyed));
  s = Snap(keyed);
  p = s.at(0, 0);
  EXPECT_EQ(p.a, 255);
  EXPECT_EQ(p.r, 255);
  EXPECT_EQ(p.b, 255);
}

TEST(ImageWndDraw, OnScreenTheTransparentPixelsShowTheWindowBeneath) {
  // Fully opaque and fully transparent pixels are shown without a compositor.
  CImageWnd below;
  ASSERT_TRUE(below.LoadImageResource(L"SOLID", Self()));
  ASSERT_TRUE(ShowAndPaint(below));
  ::SetWindowPos(below.hwnd(), HWND_TOP, 100, 100, 64, 64, SWP_NOACTIVATE);
  CImageWnd above;
  ASSERT_TRUE(above.LoadImageResource(L"ALPHA", Self()));
  ASSERT_TRUE(ShowAndPaint(above));
  ::SetWindowPos(above.hwnd(), HWND_TOP, 100, 100, 64, 64, SWP_NOACTIVATE);
  Repaint(below);
  Repaint(above);
  Pump(300);
  HDC screen = ::GetDC(nullptr);
  const COLORREF opaque = ::GetPixel(screen, 100 + 10, 100 + 10);     // blue half of the PNG
  const COLORREF through = ::GetPixel(screen, 100 + 50, 100 + 10);    // transparent: the JPEG beneath
  ::ReleaseDC(nullptr, screen);
  EXPECT_TRUE(Near(GetBValue(opaque), 255) && Near(GetRValue(opaque), 0)) << std::hex << opaque;
  EXPECT_TRUE(Near(GetRValue(through), 200, 20) && Near(GetGValue(through), 40, 20)) << std::hex << through;
}

TEST(ImageWndDraw, ResizedWindowIsRedrawnStretchedAndFlipsMirror) {
  CImageWnd w;
  ASSERT_TRUE(w.LoadImageResource(L"QUADS", Self()));
  ASSERT_TRUE(ShowAndPaint(w));
  Snapshot s = Snap(w);
  ASSERT_EQ(s.width, 20);
  const LONG before = w.paintCount();
  ::SetWindowPos(w.hwnd(), nullptr, 50, 60, 80, 60, SWP_NOZORDER | SWP_NOACTIVATE);
  w.Invalidate();
  ASSERT_TRUE(WaitFor([&] { return w.paintCount() > before; }, 3000));
  s = Snap(w);
  ASSERT_EQ(s.width, 80);
  ASSERT_EQ(s.height, 60);
  struct Quad {
    int x, y, r, g, b;
  };
  const Quad quads[] = {{2, 2, 255, 0, 0}, {17, 2, 0, 255, 0}, {2, 17, 0, 0, 255}, {17, 17, 255, 255, 0}};
  for (const Quad& q : quads) {
    const auto c = bimbly::image::StretchedCentre(q.x, q.y, 20, 20, 80, 60);
    const Argb p = s.at(c.x, c.y);
    EXPECT_EQ(p.a, 255);
    EXPECT_TRUE(Near(p.r, q.r) && Near(p.g, q.g) && Near(p.b, q.b)) << q.x << "," << q.y;
  }
  // Every corner of the window is covered: the picture fills it, edges included.
  for (auto [x, y] : {std::pair{0, 0}, {79, 0}, {0, 59}, {79, 59}}) EXPECT_EQ(s.at(x, y).a, 255) << x << "," << y;

  // A move without a resize keeps the surface (same size), a flip mirrors.
  w.FlipHorizontal();
  ASSERT_TRUE(Repaint(w));
  s = Snap(w);
  Argb p = s.at(5, 5);
  EXPECT_EQ(p.g, 255);  // green quadrant now at the top left
  EXPECT_EQ(p.r, 0);
  w.FlipVertical();
  ASSERT_TRUE(Repaint(w));
  s = Snap(w);
  p = s.at(5, 5);
  EXPECT_EQ(p.r, 255);  // yellow: both flips
  EXPECT_EQ(p.g, 255);
  EXPECT_EQ(p.b, 0);
}

// Copies of one picture draw each look of it once between them, a mirrored
// copy shows its own look, and what they drew goes with the last of them.
TEST(ImageWndDraw, CopiesShareDrawnFramesUntilTheLastGoes) {
  const std::size_t before = CImageWnd::SharedFramesHeld();
  {
    auto a = std::make_unique<CImageWnd>();
    auto b = std::make_unique<CImageWnd>();
    ASSERT_TRUE(a->LoadImageResource(L"QUADS", Self()) && b->LoadImageResource(L"QUADS", Self()));
    ASSERT_TRUE(ShowAndPaint(*a) && ShowAndPaint(*b));
    EXPECT_EQ(CImageWnd::SharedFramesHeld(), before + 1);
    b->FlipHorizontal();
    ASSERT_TRUE(Repaint(*b) && Repaint(*a));
    EXPECT_EQ(CImageWnd::SharedFramesHeld(), before + 2);
    EXPECT_EQ(Snap(*a).at(5, 5).r, 255);  // red at the top left
    EXPECT_EQ(Snap(*b).at(5, 5).g, 255);  // green: mirrored
    EXPECT_EQ(Snap(*b).at(5, 5).r, 0);
    a.reset();
    EXPECT_EQ(CImageWnd::SharedFramesHeld(), before + 2);  // b keeps both looks for its next turn
  }
  EXPECT_EQ(CImageWnd::SharedFramesHeld(), before);
}

TEST(ImageWndAnimation, FramesFollowTheirDelaysAndLoop) {
  CImageWnd w;
  ASSERT_TRUE(w.LoadImageResource(L"ANIM4", Self()));
  EXPECT_EQ(w.frameDelayMs(0), 100u);
  EXPECT_EQ(w.frameDelayMs(1), 300u);
  ASSERT_TRUE(ShowAndPaint(w));
  const FrameLog log = WatchFrames(w, 1800);
  ASSERT_GE(log.frames.size(), 5u);
  for (std::size_t i = 1; i < log.frames.size(); ++i) {
    EXPECT_EQ(log.frames[i], (log.frames[i - 1] + 1) % 4);
    if (i >= 2) {
      // The time a frame was on show: its delay, plus at most a few timer periods.
      const ULONGLONG shown = log.times[i] - log.times[i - 1];
      const UINT delay = w.frameDelayMs(static_cast<UINT>(log.frames[i - 1]));
      EXPECT_GE(shown + 5, delay) << "frame " << log.frames[i - 1];
      EXPECT_LE(shown, delay + 80) << "frame " << log.frames[i - 1];
    }
  }
  // What is drawn is the frame on show: red, green, blue, yellow.
  ASSERT_TRUE(WaitFor([&] { return w.currentFrame() == 1; }, 2000));
  ASSERT_TRUE(Repaint(w));
  const Snapshot s = Snap(w);
  const Argb p = s.at(8, 8);
  if (w.currentFrame() == 1) {
    EXPECT_TRUE(p.g == 255 && p.r == 0 && p.b == 0);
  }
}

TEST(ImageWndAnimation, ZeroAndAbsurdDelaysBecomeATenthOfASecond) {
  CImageWnd w;
  ASSERT_TRUE(w.LoadImageResource(L"ODDDELAY", Self()));
  ASSERT_EQ(w.frameCount(), 2u);
  EXPECT_EQ(w.frameDelayMs(0), 100u);
  EXPECT_EQ(w.frameDelayMs(1), 100u);
  ASSERT_TRUE(ShowAndPaint(w));
  const FrameLog log = WatchFrames(w, 700);
  EXPECT_GE(log.frames.size(), 4u);
}

TEST(ImageWndAnimation, StopFrameRulesAndStillPictures) {
  // Without loop the animation plays up to the stop frame and stays there.
  CImageWnd stop3;
  ASSERT_TRUE(stop3.LoadImageResource(L"ANIM6", Self()));
  stop3.loop = false;
  stop3.stopFrame = 3;
  ASSERT_TRUE(ShowAndPaint(stop3));
  EXPECT_TRUE(WaitFor([&] { return stop3.currentFrame() == 3; }, 2000));
  Pump(400);
  EXPECT_EQ(stop3.currentFrame(), 3);

  // Stop frame -1 halts at once.
  CImageWnd halt;
  ASSERT_TRUE(halt.LoadImageResource(L"ANIM6", Self()));
  halt.loop = false;
  halt.stopFrame = -1;
  ASSERT_TRUE(ShowAndPaint(halt));
  Pump(400);
  EXPECT_EQ(halt.currentFrame(), 0);
  // Switching the loop on later lets it run again.
  halt.loop = true;
  EXPECT_TRUE(WaitFor([&] { return halt.currentFrame() != 0; }, 1000));

  // A one-frame GIF never changes and is not repainted by the timer.
  CImageWnd still;
  ASSERT_TRUE(still.LoadImageResource(L"STILL", Self()));
  ASSERT_TRUE(ShowAndPaint(still));
  Pump(100);
  const LONG paints = still.paintCount();
  Pump(400);
  EXPECT_EQ(still.currentFrame(), 0);
  EXPECT_EQ(still.paintCount(), paints);
}

namespace {

// What a board or a moving object does with the image window.
class CDerivedImageWnd : public CImageWnd {
 public:
  ~CDerivedImageWnd() override { DestroyImageWindow(); }
  std::atomic<int> ticks{0};
  std::atomic<int> prePaints{0};
  std::atomic<bool> wantRedraw{false};
  std::atomic<DWORD> tickThread{0};
  std::atomic<int> customMessages{0};
  std::atomic<bool> created{false};
  std::atomic<bool> failCreate{false};
  std::atomic<DWORD> sleepInTickMs{0};

 protected:
  void OnPrePaint() override { ++prePaints; }
  void OnTick(DWORD, bool* redraw) override {
    ++ticks;
    tickThread = ::GetCurrentThreadId();
    if (wantRedraw.exchange(false)) *redraw = true;
    if (const DWORD ms = sleepInTickMs.exchange(0)) ::Sleep(ms);
  }
  int OnCreateDerived(CREATESTRUCTW* cs) {
    if (failCreate || CImageWnd::OnCreate(cs) == -1) return -1;
    created = true;
    return 0;
  }
  LRESULT OnCustom(WPARAM, LPARAM) {
    ++customMessages;
    return 0;
  }
  FW_DECLARE_MESSAGE_MAP()
};

const fw::MessageEntry CDerivedImageWnd::kMessageEntries[] = {
    fw::OnCreate<&CDerivedImageWnd::OnCreateDerived>(),
    fw::OnMessage<&CDerivedImageWnd::OnCustom>(WM_USER + 100),
};
const fw::MessageMap CDerivedImageWnd::kMessageMap = fw::MakeMessageMap(&CImageWnd::kMessageMap, kMessageEntries);

// A plain window on the test thread, as the host's game window owns the board.
class COwnerWnd : public fw::CWnd {
 public:
  bool Create() {
    RegisterClass(L"Bimbly.TestOwner", 0, nullptr);
    return CreateEx(0, L"Bimbly.TestOwner", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
  }
};

}  // namespace

TEST(ImageWndDerived, HooksAndTableEntriesRunOnTheWindowThread) {
  COwnerWnd owner;
  ASSERT_TRUE(owner.Create());
  CDerivedImageWnd w;
  ASSERT_TRUE(w.LoadImageResource(L"ALPHA", Self()));
  ASSERT_TRUE(ShowAndPaint(w, owner.hwnd()));
  EXPECT_TRUE(w.created);
  EXPECT_EQ(::GetWindow(w.hwnd(), GW_OWNER), owner.hwnd());
  EXPECT_EQ(w.owner(), owner.hwnd());
  EXPECT_EQ(w.resourceModule(), Self());
  // A window that exists keeps its picture.
  EXPECT_FALSE(w.LoadImageResource(L"SOLID", Self()));
  EXPECT_EQ(w.format(), CImageWnd::Format::kPng);
  EXPECT_NE(w.windowThreadId(), ::GetCurrentThreadId());
  EXPECT_EQ(::GetWindowThreadProcessId(w.hwnd(), nullptr), w.windowThreadId());

  // The 5 ms timer: well over 20 ticks in 400 ms, all on the window thread.
  const int ticks = w.ticks;
  Pump(400);
  EXPECT_GT(w.ticks - ticks, 20);
  EXPECT_EQ(w.tickThread.load(), w.windowThreadId());
  EXPECT_GE(w.prePaints.load(), 1);

  // A tick asking for a redraw gets a paint, OnPrePaint first.
  const LONG paints = w.paintCount();
  const int pre = w.prePaints;
  w.wantRedraw = true;
  EXPECT_TRUE(WaitFor([&] { return w.paintCount() > paints; }, 1000));
  EXPECT_GT(w.prePaints.load(), pre);

  // Derived table entries; posted like the host's key messages.
  ::PostMessageW(w.hwnd(), WM_USER + 100, 'A', 0);
  EXPECT_TRUE(WaitFor([&] { return w.customMessages == 1; }, 1000));

  // Draggable: the whole window answers as a caption.
  DWORD_PTR hit = 0;
  ::SendMessageTimeoutW(w.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(5, 5), SMTO_ABORTIFHUNG, 1000, &hit);
  EXPECT_EQ(hit, static_cast<DWORD_PTR>(HTCLIENT));
  w.draggable = true;
  ::SendMessageTimeoutW(w.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(5, 5), SMTO_ABORTIFHUNG, 1000, &hit);
  EXPECT_EQ(hit, static_cast<DWORD_PTR>(HTCAPTION));

  // A derived creation handler that fails makes creation fail, promptly.
  CDerivedImageWnd refused;
  refused.failCreate = true;
  const ULONGLONG start = ::GetTickCount64();
  EXPECT_FALSE(refused.CreateImageWindow(nullptr));
  EXPECT_LT(::GetTickCount64() - start, 3000u);
  owner.DestroyWindow();
}

TEST(ImageWndLifetime, WindowsCreatedTogetherEachGetTheirOwnSignal) {
  constexpr int kWindows = 8;
  std::vector<std::unique_ptr<CImageWnd>> windows;
  for (int i = 0; i < kWindows; ++i) {
    windows.push_back(std::make_unique<CImageWnd>());
    ASSERT_TRUE(windows.back()->LoadImageResource(i % 2 ? L"ANIM4" : L"SOLID", Self()));
  }
  std::atomic<int> ok{0};
  std::vector<std::thread> threads;
  const ULONGLONG start = ::GetTickCount64();
  for (auto& w : windows)
    threads.emplace_back([&ok, p = w.get()] {
      if (p->CreateImageWindow(nullptr) && ::IsWindow(p->hwnd())) ++ok;
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(ok.load(), kWindows);
  EXPECT_LT(::GetTickCount64() - start, 5000u);
}

TEST(ImageWndLifetime, WindowsStartedTogetherLoadTheirPicturesFirst) {
  // Each window's thread decodes its picture, then the settings that follow
  // the load are made, then the window: picture-sized, layered by the picture.
  const struct { const char* name; bool layered; } cases[] = {
      {"ANIM4", true}, {"SOLID", false}, {"NO_SUCH_PICTURE", false}};
  std::vector<std::unique_ptr<CImageWnd>> windows;
  for (const auto& c : cases) {
    windows.push_back(std::make_unique<CImageWnd>());
    CImageWnd* w = windows.back().get();
    ASSERT_TRUE(w->StartImageWindow(nullptr, c.name, Self(), [w] { w->colorKeyOn = w->hasImage(); }));
  }
  for (std::size_t i = 0; i < windows.size(); ++i) {
    CImageWnd& w = *windows[i];
    ASSERT_TRUE(w.FinishImageWindow()) << cases[i].name;
    CImageWnd reference;
    reference.LoadImageResource(cases[i].name, Self());
    EXPECT_EQ(w.imageWidth(), reference.imageWidth()) << cases[i].name;
    EXPECT_EQ((::GetWindowLongW(w.hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED) != 0, cases[i].layered) << cases[i].name;
    EXPECT_EQ(w.colorKeyOn.load(), w.hasImage()) << cases[i].name;
  }
}

TEST(ImageWndLifetime, DestructionEndsTheThreadAndSurvivesItsOwner) {
  // The owner goes first (as a host window may): the image window is then
  // still ended cleanly and promptly.
  COwnerWnd owner;
  ASSERT_TRUE(owner.Create());
  auto w = std::make_unique<CDerivedImageWnd>();
  ASSERT_TRUE(w->LoadImageResource(L"ANIM4", Self()));
  ASSERT_TRUE(w->CreateImageWindow(owner.hwnd()));
  HWND h = w->hwnd();
  owner.DestroyWindow();
  Pump(100);
  ULONGLONG start = ::GetTickCount64();
  w.reset();
  // Ended by itself, before the grace after which it would be terminated.
  EXPECT_LT(::GetTickCount64() - start, bimbly::kImageWindowEndMs);
  EXPECT_FALSE(::IsWindow(h));

  // A window thread stuck in a hook is terminated after the 2 s grace.
  auto stuck = std::make_unique<CDerivedImageWnd>();
  ASSERT_TRUE(stuck->LoadImageResource(L"ALPHA", Self()));
  ASSERT_TRUE(stuck->CreateImageWindow(nullptr));
  stuck->sleepInTickMs = 8000;
  Pump(100);
  start = ::GetTickCount64();
  stuck.reset();
  const ULONGLONG took = ::GetTickCount64() - start;
  EXPECT_GE(took, 1900u);
  EXPECT_LT(took, 4000u);
}

namespace {
void CreateAndDestroy(const wchar_t* name) {
  CImageWnd w;
  if (!w.LoadImageResource(name, Self())) return;
  if (!w.CreateImageWindow(nullptr)) return;
  ::ShowWindow(w.hwnd(), SW_SHOWNOACTIVATE);
  ::UpdateWindow(w.hwnd());
}
}  // namespace

TEST(ImageWndLifetime, AThousandWindowsLeaveNoHandlesBehind) {
  for (int i = 0; i < 20; ++i) CreateAndDestroy(i % 2 ? L"ANIM4" : L"ALPHA");  // settle lazy system state
  Pump(100);
  const ProcessResourceCounts before = ProcessResourceCounts::Take();
  for (int i = 0; i < 1000; ++i) CreateAndDestroy(i % 2 ? L"ANIM4" : L"ALPHA");
  Pump(100);
  const ProcessResourceCounts after = ProcessResourceCounts::Take();
  std::printf("gdi %lu->%lu user %lu->%lu kernel %lu->%lu windows %lu->%lu private %.1f->%.1f MB\n",
              static_cast<unsigned long>(before.gdiObjects), static_cast<unsigned long>(after.gdiObjects),
              static_cast<unsigned long>(before.userObjects), static_cast<unsigned long>(after.userObjects),
              static_cast<unsigned long>(before.kernelHandles), static_cast<unsigned long>(after.kernelHandles),
              static_cast<unsigned long>(before.windows), static_cast<unsigned long>(after.windows),
              before.privateBytes / 1048576.0, after.privateBytes / 1048576.0);
  EXPECT_EQ(after.gdiObjects, before.gdiObjects);
  EXPECT_EQ(after.userObjects, before.userObjects);
  EXPECT_EQ(after.kernelHandles, before.kernelHandles);
  EXPECT_EQ(after.windows, before.windows);
  // A leaked surface, picture or stream per window would add megabytes.
  EXPECT_LT(after.privateBytes, before.privateBytes + 4u * 1024 * 1024);
}
