// The skinned look on screen: picture buttons in their states over a skin's
// background picture, and the window fades.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "framework/dialog.h"
#include "framework/threads.h"
#include "style/button_st.h"
#include "style/skin.h"
#include "style/window_fade.h"
#include "tests/support/pump.h"

namespace {

HINSTANCE Self() { return ::GetModuleHandleW(nullptr); }

// Screen pixels of a window's client area, row by row.
struct Grab {
  int w = 0, h = 0;
  std::vector<COLORREF> px;
  COLORREF at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};
Grab GrabClient(HWND hwnd) {
  RECT rc{};
  ::GetClientRect(hwnd, &rc);
  POINT origin{0, 0};
  ::ClientToScreen(hwnd, &origin);
  Grab g;
  g.w = rc.right;
  g.h = rc.bottom;
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = g.w;
  bi.bmiHeader.biHeight = -g.h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(mem, dib);
  ::BitBlt(mem, 0, 0, g.w, g.h, screen, origin.x, origin.y, SRCCOPY);
  ::GdiFlush();
  const auto* p = static_cast<const DWORD*>(bits);
  for (int i = 0; i < g.w * g.h; ++i) g.px.push_back(RGB((p[i] >> 16) & 255, (p[i] >> 8) & 255, p[i] & 255));
  ::SelectObject(mem, old);
  ::DeleteObject(dib);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
  return g;
}

class CPictureDlg : public fw::CDialog, public CSkin {
 public:
  CPictureDlg() : fw::CDialog(300, Self()) {}
  CButtonST transparent, plain, banner;

 protected:
  BOOL OnInitDialog() override {
    transparent.SubclassDlgItem(10, hwnd_);
    plain.SubclassDlgItem(11, hwnd_);
    banner.SubclassDlgItem(12, hwnd_);
    SetResourceInstance(Self());
    SetStyle(0, hwnd_);
    for (CButtonST* b : {&transparent, &plain}) {
      b->SetBitmap(static_cast<HBITMAP>(::LoadImageW(Self(), MAKEINTRESOURCEW(141), IMAGE_BITMAP, 0, 0, 0)));
      b->imageAlignment = 1;
    }
    transparent.SetTransparent();
    banner.keepTextColours = true;
    banner.greyImageWhenDisabled = false;
    banner.SetBitmap(static_cast<HBITMAP>(::LoadImageW(Self(), MAKEINTRESOURCEW(146), IMAGE_BITMAP, 0, 0, 0)));
    banner.SetTransparent();
    return TRUE;
  }
  FW_DECLARE_MESSAGE_MAP()
};
const fw::MessageEntry CPictureDlg::kMessageEntries[] = {SkinPaintEntry<CPictureDlg>(), SkinEraseEntry<CPictureDlg>()};
const fw::MessageMap CPictureDlg::kMessageMap = fw::MakeMessageMap(&fw::CDialog::kMessageMap, kMessageEntries);

// Share of the pixels where `match` holds, over a rectangle.
double Share(int x0, int y0, int w, int h, const std::function<bool(int, int)>& match) {
  int hits = 0;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) hits += match(x, y) ? 1 : 0;
  return static_cast<double>(hits) / (w * h);
}

}  // namespace

TEST(ButtonST, StatesOverASkinPicture) {
  ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
  {
    CPictureDlg dlg;
    ASSERT_TRUE(dlg.CreateModeless(nullptr));
    ::SetWindowPos(dlg.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE);
    PumpFor(400);
    ASSERT_TRUE(dlg.hasPicture());

    // What the skin paints under the buttons, drawn off screen.
    RECT client{};
    ::GetClientRect(dlg.hwnd(), &client);
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP surface = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = ::SelectObject(mem, surface);
    dlg.PaintBackground(mem);

    // Transparent: the picture shows beside the image and text, not a button face.
    HWND t = dlg.transparent.hwnd();
    const Grab tg = GrabClient(t);
    POINT tp{0, 0};
    ::MapWindowPoints(t, dlg.hwnd(), &tp, 1);
    EXPECT_GT(Share(1, 1, 8, tg.h - 2, [&](int x, int y) {
                return tg.at(x, y) == ::GetPixel(mem, tp.x + x, tp.y + y);
              }), 0.95);

    // The banner: its bitmap in full colour, centred, white left out.
    HWND b = dlg.banner.hwnd();
    const Grab bg = GrabClient(b);
    HDC bits = ::CreateCompatibleDC(screen);
    HBITMAP bmp = static_cast<HBITMAP>(::LoadImageW(Self(), MAKEINTRESOURCEW(146), IMAGE_BITMAP, 0, 0, 0));
    HGDIOBJ oldBits = ::SelectObject(bits, bmp);
    const int bx = (bg.w - 288) / 2, by = (bg.h - 72) / 2;
    int coloured = 0, same = 0;
    for (int y = 0; y < 72; ++y)
      for (int x = 0; x < 288; ++x) {
        const COLORREF want = ::GetPixel(bits, x, y);
        if (want == RGB(255, 255, 255)) continue;
        ++coloured;
        same += bg.at(bx + x, by + y) == want ? 1 : 0;
      }
    ASSERT_GT(coloured, 1000);
    EXPECT_GT(static_cast<double>(same) / coloured, 0.95);
    ::SelectObject(bits, oldBits);
    ::DeleteObject(bmp);
    ::DeleteDC(bits);
    ::SelectObject(mem, old);
    ::DeleteObject(surface);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);

    // The plain button: no border at rest, raised under the mouse, sunken
    // with the image and text moved by (1, 1) while held down.
    HWND p = dlg.plain.hwnd();
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF light = ::GetSysColor(COLOR_3DHILIGHT);
    const COLORREF shadow = ::GetSysColor(COLOR_3DSHADOW);
    Grab g = GrabClient(p);
    EXPECT_EQ(g.at(0, 0), face);
    EXPECT_EQ(g.at(g.w - 1, g.h - 1), face);

    RECT pr{};
    ::GetWindowRect(p, &pr);
    ::SetCursorPos((pr.left + pr.right) / 2, (pr.top + pr.bottom) / 2);
    ::SendMessageW(p, WM_MOUSEMOVE, 0, MAKELPARAM((pr.right - pr.left) / 2, (pr.bottom - pr.top) / 2));
    PumpFor(200);
    EXPECT_TRUE(dlg.plain.hover());
    const Grab raised = GrabClient(p);
    EXPECT_EQ(raised.at(0, 0), light);
    EXPECT_EQ(raised.at(raised.w - 1, raised.h - 1), shadow);

    ::SendMessageW(p, BM_SETSTATE, TRUE, 0);
    PumpFor(200);
    const Grab sunken = GrabClient(p);
    EXPECT_EQ(sunken.at(0, 0), shadow);
    EXPECT_EQ(sunken.at(sunken.w - 1, sunken.h - 1), light);
    // The picture (32 x 32, 3 pixels below the top, centred) moved by (1, 1).
    const int ix = (raised.w - 32) / 2, iy = 3;
    const double moved = Share(ix, iy, 32, 32, [&](int x, int y) { return raised.at(x, y) == sunken.at(x + 1, y + 1); });
    const double inPlace = Share(ix, iy, 32, 32, [&](int x, int y) { return raised.at(x, y) == sunken.at(x, y); });
    EXPECT_GT(moved, 0.97);
    EXPECT_LT(inPlace, moved);
    ::SendMessageW(p, BM_SETSTATE, FALSE, 0);

    // Disabling the focused button hands the focus on.
    ::SetFocus(p);
    ::EnableWindow(p, FALSE);
    EXPECT_NE(::GetFocus(), p);
    EXPECT_FALSE(dlg.plain.hover());
    dlg.DestroyWindow();
  }
  ::OleUninitialize();
}

// The game's exit dialog fades out on the thread of the keyboard lock's
// low-level hook, which must be answered throughout.
TEST(WindowFade, AFadeOutAnswersMessagesSentMeanwhile) {
  HWND w = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, Self(), nullptr);
  ASSERT_NE(w, nullptr);
  std::atomic<bool> fading{false}, done{false}, finished{false};
  std::atomic<ULONGLONG> longest{0};
  std::thread sender([&] {
    while (!fading) ::Sleep(1);
    while (!done) {
      const ULONGLONG t0 = ::GetTickCount64();
      DWORD_PTR unused = 0;
      ::SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &unused);
      longest = std::max<ULONGLONG>(longest, ::GetTickCount64() - t0);
      ::Sleep(2);
    }
    finished = true;
  });
  const ULONGLONG start = ::GetTickCount64();
  fading = true;
  for (int i = 0; i < 3; ++i) {
    WindowFade fade;
    fade.Prepare(w, 0, 200);
    fade.FadeOut();
  }
  const ULONGLONG took = ::GetTickCount64() - start;
  done = true;
  for (int i = 0; i < 500 && !finished; ++i) fw::SleepServingSentMessages(10);  // its last send answered
  sender.join();
  EXPECT_GE(took, 3u * 13 * 5);  // 13 steps of 5 ms each time
  EXPECT_LT(longest.load(), took / 2);
  ::DestroyWindow(w);
}

TEST(WindowFade, EndsAt200AndAFadeOutJoinsARunningFadeInFirst) {
  HWND w = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, Self(), nullptr);
  ASSERT_NE(w, nullptr);
  auto alpha = [w] {
    BYTE a = 0;
    DWORD flags = 0;
    COLORREF key = 0;
    return ::GetLayeredWindowAttributes(w, &key, &a, &flags) ? static_cast<int>(a) : -1;
  };
  {
    WindowFade fade;
    fade.Prepare(w, 0, 200);
    EXPECT_EQ(alpha(), 0);
    fade.SetStep(15);
    fade.StartFadeIn();
    fade.StopFade();
    EXPECT_EQ(alpha(), 200);
  }
  {
    // A slow fade-in, closed at once: the fade-out waits for it and then
    // steps down from 200 to 5; nothing raises the alpha afterwards.
    WindowFade fade;
    fade.Prepare(w, 0, 200);
    fade.SetStep(2);
    fade.StartFadeIn();
    ::Sleep(20);
    const ULONGLONG start = ::GetTickCount64();
    fade.FadeOut();
    EXPECT_GE(::GetTickCount64() - start, 300u);  // the rest of the fade-in, then the fade-out
    EXPECT_EQ(alpha(), 5);
    ::Sleep(100);
    EXPECT_EQ(alpha(), 5);
  }
  ::DestroyWindow(w);
}
