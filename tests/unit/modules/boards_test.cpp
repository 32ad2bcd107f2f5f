// The boards as a child plays them, one test per board kind, each against the
// real module in a small host: copies fill, move, pause and resume; the music
// board's MIDI messages and pictures; the car badges' order and names.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <string>
#include <vector>

#include "core/key_backlog.h"
#include "core/object_motion.h"
#include "framework/gdiplus_session.h"
#include "speech/speech_requests.h"
#include "tests/unit/modules/module_host.h"
#include "toolkit/image_wnd.h"

using namespace module_test;

namespace {

const char kPiano[] = "\xB8\xD6\xC7\xD9";  // 钢琴, GBK

// Visible windows owned by the board: its copies, pictures or badge.
std::vector<RECT> OwnedRects(HWND board) {
  struct Ctx {
    HWND board;
    std::vector<RECT> rects;
  } ctx{board, {}};
  ::EnumWindows(
      [](HWND h, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        if (::GetWindow(h, GW_OWNER) == c->board && ::IsWindowVisible(h)) {
          RECT r{};
          ::GetWindowRect(h, &r);
          c->rects.push_back(r);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return ctx.rects;
}

bool SameRects(std::vector<RECT> a, std::vector<RECT> b) {
  if (a.size() != b.size()) return false;
  auto less = [](const RECT& x, const RECT& y) { return std::make_pair(x.left, x.top) < std::make_pair(y.left, y.top); };
  std::sort(a.begin(), a.end(), less);
  std::sort(b.begin(), b.end(), less);
  for (size_t i = 0; i < a.size(); ++i)
    if (!::EqualRect(&a[i], &b[i])) return false;
  return true;
}

// Width and height stored in a GIF resource of the module.
SIZE GifSize(HMODULE module, const wchar_t* name) {
  HRSRC r = ::FindResourceW(module, name, L"IMAGE");
  const auto* bytes = r ? static_cast<const unsigned char*>(::LockResource(::LoadResource(module, r))) : nullptr;
  if (!bytes) return {0, 0};
  return {bytes[6] | (bytes[7] << 8), bytes[8] | (bytes[9] << 8)};
}

class Boards : public ::testing::Test {
 protected:
  void SetUp() override {
    speech::InitSpeechRecord(&record);
    W = ::GetSystemMetrics(SM_CXSCREEN);
    H = ::GetSystemMetrics(SM_CYSCREEN);
  }
  HWND Start(Module& m, int itemIndex) {
    info = ModuleStartInfo{itemIndex, kPiano, "test", &record, 0, 0};
    return m.init ? AsWindow(m.init(host.hwnd(), &info)) : nullptr;
  }
  void Key(HWND board, UINT vk, UINT scan = 0x1E, int times = 1) {
    for (int i = 0; i < times; ++i) {
      ::PostMessageW(board, WM_PLAY_KEYDOWN, vk, static_cast<LPARAM>(scan << 16 | 1));
      ::PostMessageW(board, WM_PLAY_KEYUP, vk, static_cast<LPARAM>(scan << 16 | 0xC0000001u));
    }
  }
  // Waits until the board has taken `count` key-downs and settled a little.
  bool KeysTaken(HWND board, LONG_PTR count) {
    for (int i = 0; i < 200; ++i) {
      if (reinterpret_cast<LONG_PTR>(::GetPropW(board, L"Bimbly.KeyDowns")) >= count) {
        host.Collect(60);
        return true;
      }
      host.Collect(50);
    }
    return false;
  }
  // Waits until the board shows `n` pictures of its own (they take a moment to load).
  bool Shows(HWND board, size_t n) {
    for (int i = 0; i < 200; ++i, host.Collect(50))
      if (OwnedRects(board).size() == n) return true;
    return false;
  }
  // Waits until the board's pictures stand elsewhere than `before`.
  bool MovesFrom(HWND board, const std::vector<RECT>& before) {
    for (int i = 0; i < 100; ++i, host.Collect(50))
      if (!SameRects(before, OwnedRects(board))) return true;
    return false;
  }
  // Waits until the board's pictures keep their places over ten motion steps.
  bool HoldsStill(HWND board) {
    auto last = OwnedRects(board);
    for (int i = 0; i < 10; ++i) {
      host.Collect(10 * bimbly::motion::kMoveIntervalMs);
      auto now = OwnedRects(board);
      if (SameRects(last, now)) return true;
      last = std::move(now);
    }
    return false;
  }
  std::wstring Spoken() const { return record.text ? record.text : L""; }
  // Boards speak on a thread of their own: waits for the text to arrive.
  bool Says(const std::wstring& text) {
    for (int i = 0; i < 100; ++i, host.Collect(20))
      if (Spoken() == text) return true;
    return false;
  }

  fw::GdiplusSession gdiplus;
  FakeHost host;
  SpeechRecord record{};
  ModuleStartInfo info{};
  int W = 0;
  int H = 0;
};

}  // namespace

TEST_F(Boards, PictureCardsFillMoveToggleAndKeepTheirPlaces) {
  Module insects(L"DeckInsect.dll");
  HWND board = Start(insects, 0);  // bee
  ASSERT_NE(board, nullptr);
  EXPECT_TRUE(Says(L"\x94A2\x7434"));  // the name, as the board comes up
  Key(board, 'A', 0x1E, 10);
  ASSERT_TRUE(KeysTaken(board, 10));
  ASSERT_TRUE(Shows(board, 10));
  EXPECT_TRUE(MovesFrom(board, OwnedRects(board))) << "the bees fly";
  // The eleventh key pauses, the twelfth resumes; copies stay at ten.
  Key(board, 'A');
  ASSERT_TRUE(KeysTaken(board, 11));
  EXPECT_TRUE(HoldsStill(board)) << "paused";
  const auto before = OwnedRects(board);
  Key(board, VK_RETURN, 0x1C);  // once full, Enter speaks without toggling
  Key(board, 'A');
  ASSERT_TRUE(KeysTaken(board, 13));
  EXPECT_TRUE(MovesFrom(board, before)) << "resumed";
  EXPECT_EQ(OwnedRects(board).size(), 10u);
  insects.uninit();
  EXPECT_TRUE(OwnedRects(board).empty());

  // The train's top edge stays at 0.78 of the screen height.
  Module traffic(L"DeckTraffic.dll");
  board = Start(traffic, 0);
  Key(board, 'A');
  ASSERT_TRUE(Shows(board, 1));
  for (int i = 0; i < 3; ++i, host.Collect(200)) {
    const auto train = OwnedRects(board);
    ASSERT_EQ(train.size(), 1u);
    EXPECT_EQ(train[0].top, static_cast<int>(H * 0.78f));
  }
  traffic.uninit();

  // The rooster is one still copy centred at (0.57, 0.36); double-size dogs are twice their picture.
  Module birds(L"DeckBird.dll");
  board = Start(birds, 6);
  Key(board, 'A', 0x1E, 3);
  ASSERT_TRUE(KeysTaken(board, 3));
  ASSERT_TRUE(Shows(board, 1));
  const auto rooster = OwnedRects(board);
  ASSERT_EQ(rooster.size(), 1u);
  const SIZE r = GifSize(birds.lib.get(), L"IMG7");
  EXPECT_EQ(rooster[0].right - rooster[0].left, r.cx);
  EXPECT_NEAR((rooster[0].left + rooster[0].right) / 2, static_cast<int>(W * 0.57f), 1);
  EXPECT_NEAR((rooster[0].top + rooster[0].bottom) / 2, static_cast<int>(H * 0.36f), 1);
  birds.uninit();

  Module pets(L"DeckPet.dll");
  board = Start(pets, 0);
  Key(board, 'A');
  ASSERT_TRUE(Shows(board, 1));
  host.Collect(100);
  const auto dog = OwnedRects(board);
  ASSERT_EQ(dog.size(), 1u);
  const SIZE d = GifSize(pets.lib.get(), L"IMG1");
  EXPECT_NEAR(dog[0].right - dog[0].left, 2 * d.cx, 1);
  EXPECT_NEAR(dog[0].bottom - dog[0].top, 2 * d.cy, 1);
  EXPECT_GE(dog[0].top, std::min<int>(static_cast<int>(H * 0.75f), H - 2 * d.cy) - 1);  // within its band
}

TEST_F(Boards, APulseBoardServesKeysAtAChildsPaceAndLetsAMashedBacklogGo) {
  Module birds(L"DeckBird.dll");
  HWND board = Start(birds, 9);  // the parrot: every key holds the board's thread 400 ms
  ASSERT_NE(board, nullptr);
  const auto count = [&](const wchar_t* prop) { return reinterpret_cast<LONG_PTR>(::GetPropW(board, prop)); };
  Key(board, 'A', 0x1E, 2);  // the second waits for the first one's pulse, and is served
  ASSERT_TRUE(KeysTaken(board, 2));
  EXPECT_EQ(count(L"Bimbly.KeysDropped"), 0);
  // Twenty at once, then Page Down: those that waited too long are let go, the switch comes soon.
  Key(board, 'B', 0x30, 20);
  ::PostMessageW(board, WM_PLAY_KEYDOWN, VK_NEXT, 0);
  const ULONGLONG sent = ::GetTickCount64();
  EXPECT_EQ(host.CollectUntil(WM_PLAY_NEXT), std::vector<UINT>{WM_PLAY_NEXT});
  EXPECT_LT(::GetTickCount64() - sent, bimbly::kKeyBacklogMs + 2000);
  EXPECT_LE(count(L"Bimbly.KeyDowns"), 2 + 4);
  EXPECT_EQ(count(L"Bimbly.KeyDowns") + count(L"Bimbly.KeysDropped"), 2 + 20);
}

TEST_F(Boards, MusicPlaysNotesOnItsChannelAndSilencesAllOnLeaving) {
  wchar_t tap[32];
  std::swprintf(tap, 32, L"%llX", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(host.hwnd())));
  ::SetEnvironmentVariableW(L"BIMBLY_MIDI_TAP", tap);
  Module music(L"Music.dll");
  HWND board = Start(music, 7);  // drum kit: channel 9
  ::SetEnvironmentVariableW(L"BIMBLY_MIDI_TAP", nullptr);
  ASSERT_NE(board, nullptr);
  host.Collect(100);
  EXPECT_EQ(host.midi, (std::vector<std::uint32_t>{0x00C0, 0x00C9, 0x00C9}));
  host.midi.clear();

  // Chart at half size in the bottom-left corner, the drum kit bottom right, three dancers.
  auto pictures = OwnedRects(board);
  ASSERT_EQ(pictures.size(), 5u);
  const RECT chart{134, H - 150, 134 + 268, H - 50};
  int charts = 0, corner = 0;
  for (const RECT& p : pictures) {
    charts += ::EqualRect(&p, &chart) ? 1 : 0;
    corner += (p.right == W && p.bottom == H) ? 1 : 0;
  }
  EXPECT_EQ(charts, 1);
  EXPECT_EQ(corner, 1);

  // Q down, slash down, Q up, slash up, a stray release, Space.
  ::PostMessageW(board, WM_PLAY_KEYDOWN, 'Q', 0x10 << 16);
  ::PostMessageW(board, WM_PLAY_KEYDOWN, VK_OEM_2, 0x35 << 16);
  ::PostMessageW(board, WM_PLAY_KEYUP, 'Q', 0x10 << 16);
  ::PostMessageW(board, WM_PLAY_KEYUP, VK_OEM_2, 0x35 << 16);
  ::PostMessageW(board, WM_PLAY_KEYUP, 'K', 0x25 << 16);
  ::PostMessageW(board, WM_PLAY_KEYDOWN, VK_SPACE, 0x39 << 16);
  ::PostMessageW(board, WM_PLAY_KEYUP, VK_SPACE, 0x39 << 16);
  ASSERT_TRUE(KeysTaken(board, 3));
  EXPECT_EQ(host.midi, (std::vector<std::uint32_t>{0x7F3C99, 0x7F3C99, 0x3C89, 0x3C89, 0x3889}));
  EXPECT_TRUE(Says(L"\x94A2\x7434"));
  host.midi.clear();
  ::PostMessageW(board, WM_PLAY_KEYDOWN, 'W', 0x11 << 16);  // held while the board goes
  ASSERT_TRUE(KeysTaken(board, 4));
  host.midi.clear();
  music.uninit();
  host.Collect(100);
  std::vector<std::uint32_t> off;
  for (std::uint32_t ch = 0; ch < 16; ++ch) off.push_back(0xB0 | ch | 123 << 8);
  EXPECT_EQ(host.midi, off);
  EXPECT_TRUE(OwnedRects(board).empty());
}

TEST_F(Boards, CarBadgesStepBothWaysAndSpeakTheBadgeOnScreen) {
  Module logos(L"DeckCarLogo.dll");
  HWND board = Start(logos, 0);
  ASSERT_NE(board, nullptr);
  Key(board, VK_SPACE, 0x39);  // before any badge: the item name
  ASSERT_TRUE(KeysTaken(board, 1));
  EXPECT_TRUE(Says(L"\x94A2\x7434"));
  Key(board, VK_LEFT, 0x4B);  // first key back: the last badge
  Key(board, VK_SPACE, 0x39);
  ASSERT_TRUE(KeysTaken(board, 3));
  EXPECT_TRUE(Says(L"\x8D77\x4E9A"));  // 起亚
  auto shown = OwnedRects(board);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NEAR((shown[0].left + shown[0].right) / 2, W / 2, 1);
  EXPECT_NEAR((shown[0].top + shown[0].bottom) / 2, H / 2, 1);
  // Forward wraps to the first; 41 more keys come back to it; down goes forward.
  Key(board, VK_DOWN, 0x50);
  Key(board, 'A', 0x1E, 41);
  Key(board, VK_SPACE, 0x39);
  ASSERT_TRUE(KeysTaken(board, 46));
  EXPECT_TRUE(Says(L"\x5965\x8FEA"));  // 奥迪
  EXPECT_EQ(OwnedRects(board).size(), 1u);
  Key(board, VK_UP, 0x48);
  Key(board, VK_SPACE, 0x39);
  ASSERT_TRUE(KeysTaken(board, 48));
  EXPECT_TRUE(Says(L"\x8D77\x4E9A"));
}

namespace {
// Refuses every window owned by a board window of this process (its
// pictures), as a system out of window resources would.
HWND g_refusingOwner = nullptr;
LRESULT CALLBACK RefusePictures(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND) {
    const auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lp);
    if (g_refusingOwner && create->lpcs->hwndParent && ::GetWindow(create->lpcs->hwndParent, GW_OWNER) == g_refusingOwner)
      return 1;
  }
  return ::CallNextHookEx(nullptr, code, wp, lp);
}
}  // namespace

TEST_F(Boards, AMusicBoardWhosePicturesCannotBeMadeIsNoBoardAndTheNextOneComesUp) {
  g_refusingOwner = host.hwnd();
  HHOOK hook = ::SetWindowsHookExW(WH_CBT, &RefusePictures, ::GetModuleHandleW(nullptr), 0);
  ASSERT_NE(hook, nullptr);
  Module music(L"Music.dll");
  const ULONGLONG start = ::GetTickCount64();
  EXPECT_EQ(Start(music, 0), nullptr);
  EXPECT_LT(::GetTickCount64() - start, 10000u) << "a refused picture ends the set-up at once";
  ::UnhookWindowsHookEx(hook);
  g_refusingOwner = nullptr;
  // Nothing of the failed board is left; the host can start the next one.
  EXPECT_TRUE(OwnedRects(host.hwnd()).empty());
  HWND board = Start(music, 0);
  ASSERT_NE(board, nullptr);
  EXPECT_TRUE(Shows(board, 3));
}

// A board's background comes from the module's store of drawn backgrounds:
// drawn at the first paint (the bee's), or drawn ahead by a neighbour and
// taken without decoding (the dragonfly's, drawn ahead by the bee board). On
// the screen it is what an image window draws from the same picture.
TEST_F(Boards, BackgroundsDrawnOnceShowAsTheImageWindowDrawsThem) {
  Module insects(L"DeckInsect.dll");
  ASSERT_TRUE(insects.lib);
  auto drawnByAnImageWindow = [&](const wchar_t* name, std::vector<std::uint32_t>& pixels) {
    CImageWnd reference;
    if (!reference.LoadImageResource(name, insects.lib.get()) || !reference.CreateImageWindow(host.hwnd())) return false;
    ::SetWindowPos(reference.hwnd(), HWND_BOTTOM, 0, 0, W, H, SWP_NOACTIVATE);
    ::ShowWindow(reference.hwnd(), SW_SHOWNA);
    int w = 0, h = 0;
    for (int i = 0; i < 100 && !(reference.SnapshotSurface(pixels, w, h) && w == W && h == H); ++i) host.Collect(50);
    return w == W && h == H;
  };
  auto onScreen = [&](const std::vector<std::uint32_t>& pixels) {
    HDC screen = ::GetDC(nullptr);
    int same = 0, points = 0;
    for (int y = H / 10; y < H; y += H / 5)
      for (int x = W / 10; x < W; x += W / 5, ++points) {
        const std::uint32_t argb = pixels[static_cast<std::size_t>(y) * W + x];
        if (::GetPixel(screen, x, y) == RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF)) ++same;
      }
    ::ReleaseDC(nullptr, screen);
    return points > 0 && same == points;
  };
  // Once the board's first paint has reached the screen, within a bound.
  auto showsAsDrawn = [&](HWND board, const std::vector<std::uint32_t>& pixels) {
    for (int i = 0; i < 100; ++i) {
      if (::GetPropW(board, L"Bimbly.FirstPaintTime") && onScreen(pixels)) return true;
      host.Collect(50);
    }
    return false;
  };
  std::vector<std::uint32_t> bee, dragonfly;
  ASSERT_TRUE(drawnByAnImageWindow(L"BACK1", bee));
  ASSERT_TRUE(drawnByAnImageWindow(L"BACK2", dragonfly));
  HWND board = Start(insects, 0);
  ASSERT_NE(board, nullptr);
  EXPECT_TRUE(showsAsDrawn(board, bee));
  insects.uninit();  // waits for the drawing ahead
  board = Start(insects, 1);
  ASSERT_NE(board, nullptr);
  EXPECT_TRUE(showsAsDrawn(board, dragonfly));
  insects.uninit();
}

namespace {
// Bytes busy in the heap that malloc (and so every library's operator new) takes from.
std::size_t RunTimeHeapBusy() {
  void* probe = std::malloc(16);
  std::size_t busy = 0;
  HANDLE heaps[64];
  const DWORD n = std::min<DWORD>(::GetProcessHeaps(64, heaps), 64);
  for (DWORD i = 0; i < n; ++i) {
    std::size_t inHeap = 0;
    bool holdsProbe = false;
    PROCESS_HEAP_ENTRY e{};
    ::HeapLock(heaps[i]);
    while (::HeapWalk(heaps[i], &e))
      if ((e.wFlags & PROCESS_HEAP_ENTRY_BUSY) && !(e.wFlags & PROCESS_HEAP_REGION)) {
        inHeap += e.cbData;
        holdsProbe = holdsProbe || e.lpData == probe;
      }
    ::HeapUnlock(heaps[i]);
    if (holdsProbe) busy = inHeap;
  }
  std::free(probe);
  return busy;
}
}  // namespace

// Each module carries its own C++ run-time, whose threads library keeps a
// record for every thread that used thread-local storage or a guarded static
// there, and loses them all when the module is freed.
TEST_F(Boards, ABoardWithItsCopiesMadeAndFreedAgainLeavesNothingInTheRunTimesHeap) {
  std::size_t busy[3] = {};
  for (std::size_t& after : busy) {
    {
      Module insects(L"DeckInsect.dll");
      HWND board = Start(insects, 0);  // the bee: ten copies, each on a thread of its own
      ASSERT_NE(board, nullptr);
      Key(board, 'A', 0x1E, 10);
      ASSERT_TRUE(Shows(board, 10));
    }
    after = RunTimeHeapBusy();
  }
  // The first round may fill what the test program keeps.
  EXPECT_LE(busy[2], busy[1] + 256) << "a board left " << static_cast<long long>(busy[2] - busy[1]) << " bytes";
}
