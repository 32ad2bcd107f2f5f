// The game's hold on the computer, each against a replaced layer: the
// foreground guard, the edge-swipe request on a window's property store and
// the record that gives back what a dead game changed.
#include <gtest/gtest.h>
#include <windows.h>
#include <propsys.h>

#include <string>
#include <vector>

#include "gamehost/system/edge_gestures.h"
#include "gamehost/system/foreground_guard.h"
#include "gamehost/system/restore_record.h"
#include "tests/support/test_folder.h"

namespace {

const HWND kGame = reinterpret_cast<HWND>(0x100);
const HWND kBoard = reinterpret_cast<HWND>(0x104);
const HWND kToast = reinterpret_cast<HWND>(0x900);  // another program's

class FakeWindows final : public gamehost::WindowLayer {
 public:
  HWND foreground = kGame;
  bool topmostAbove = false;
  std::uint32_t now = 1000;
  std::vector<HWND> takenTo;  // the board of every TakeFront

  HWND Foreground() override { return foreground; }
  bool IsOurs(HWND w) override { return w == kGame || w == kBoard; }
  bool OtherTopmostAbove(HWND game) override {
    EXPECT_EQ(game, kGame);
    return topmostAbove;
  }
  void TakeFront(HWND game, HWND board) override {
    EXPECT_EQ(game, kGame);
    takenTo.push_back(board);
    foreground = game;
    topmostAbove = false;
  }
  std::uint32_t Now() override { return now; }
};

}  // namespace

TEST(ForegroundGuard, TakesTheFrontBackBoundedAndNeverFromAnOpenExitDialog) {
  FakeWindows windows;
  gamehost::ForegroundGuard guard(windows);
  EXPECT_FALSE(guard.Check(kGame, kBoard, false));  // ours: nothing to do
  windows.foreground = kBoard;
  EXPECT_FALSE(guard.Check(kGame, kBoard, false));

  struct Case {
    HWND foreground;
    bool topmostAbove;
    bool exitDialogOpen;
    bool taken;
  };
  const Case cases[] = {
      {kToast, false, false, true},    // the foreground was taken
      {kBoard, true, false, true},     // a topmost window went over the game
      {kToast, false, true, false},    // the adult at the exit dialog may want it
      {nullptr, false, false, false},  // a secure desktop: no foreground at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.foreground << " " << c.topmostAbove << " " << c.exitDialogOpen);
    windows.foreground = c.foreground;
    windows.topmostAbove = c.topmostAbove;
    const size_t before = windows.takenTo.size();
    EXPECT_EQ(guard.Check(kGame, kBoard, c.exitDialogOpen), c.taken);
    EXPECT_EQ(windows.takenTo.size(), before + (c.taken ? 1 : 0));
    if (c.taken) {
      // The board raised with the game, the keyboard to the game's window
      // even where the board had it: keys reach the board through it.
      EXPECT_EQ(windows.takenTo.back(), kBoard);
      EXPECT_EQ(windows.foreground, kGame);
    }
    windows.now += 100;
  }

  // A window that insists gets the front after the third take-back in a
  // span, until the span is over.
  windows.foreground = kToast;
  EXPECT_TRUE(guard.Check(kGame, kBoard, false));
  for (int i = 0; i < 5; ++i) {
    windows.foreground = kToast;
    windows.now += 500;
    EXPECT_FALSE(guard.Check(kGame, kBoard, false));
  }
  windows.now += gamehost::ForegroundGuard::kSpanMs;
  EXPECT_TRUE(guard.Check(kGame, kBoard, false));
  EXPECT_EQ(windows.takenTo.size(), 4u);
}

namespace {

// A window's property store that keeps what is set on it.
class FakeStore final : public IPropertyStore {
 public:
  std::vector<std::pair<PROPERTYKEY, PROPVARIANT>> set;
  ULONG refs = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_IPropertyStore) return E_NOINTERFACE;
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetCount(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAt(DWORD, PROPERTYKEY*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY, PROPVARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key, REFPROPVARIANT value) override {
    set.emplace_back(key, value);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Commit() override { return S_OK; }
};

FakeStore g_store;
HWND g_openedFor = nullptr;
bool g_noStore = false;

HRESULT STDAPICALLTYPE OpenFakeStore(HWND window, REFIID iid, void** out) {
  g_openedFor = window;
  *out = nullptr;
  if (g_noStore) return E_NOTIMPL;
  return g_store.QueryInterface(iid, out);
}

}  // namespace

TEST(EdgeSwipes, AreRequestedOffPerWindowAndTheRequestTakenAwayAgain) {
  EXPECT_TRUE(gamehost::DisableEdgeSwipes(kGame, &OpenFakeStore));
  EXPECT_EQ(g_openedFor, kGame);
  ASSERT_EQ(g_store.set.size(), 1u);
  // System.EdgeGesture.DisableTouchWhenFullscreen, as a true boolean.
  const GUID fmtid = {0x32CE38B2, 0x2C9A, 0x41B1, {0x9B, 0xC5, 0xB3, 0x78, 0x43, 0x94, 0xAA, 0x44}};
  EXPECT_TRUE(IsEqualGUID(g_store.set[0].first.fmtid, fmtid));
  EXPECT_EQ(g_store.set[0].first.pid, 2u);
  EXPECT_EQ(g_store.set[0].second.vt, VT_BOOL);
  EXPECT_EQ(g_store.set[0].second.boolVal, VARIANT_TRUE);
  gamehost::ClearEdgeSwipeRequest(kGame, &OpenFakeStore);
  ASSERT_EQ(g_store.set.size(), 2u);
  EXPECT_EQ(g_store.set[1].second.vt, VT_EMPTY);
  EXPECT_EQ(g_store.refs, 1u);  // every store opened was released
  // A platform without the store: quietly nothing.
  g_noStore = true;
  EXPECT_FALSE(gamehost::DisableEdgeSwipes(kGame, &OpenFakeStore));
  EXPECT_FALSE(gamehost::DisableEdgeSwipes(nullptr, &OpenFakeStore));
  g_noStore = false;
}

namespace {

class FakeSystem final : public gamehost::SystemStateLayer {
 public:
  gamehost::AccessibilityFlags flags{0x1FE, 0x1F, 0x7E, 0x0A};
  bool autoHide = false;
  int restores = 0;

  gamehost::AccessibilityFlags ReadAccessibility() override { return flags; }
  void RestoreAccessibilityHotKeys(const gamehost::AccessibilityFlags& f) override {
    ++restores;
    auto put = [](std::uint32_t& now, std::uint32_t saved) { now = (now & ~0xCu) | (saved & 0xCu); };
    put(flags.sticky, f.sticky);
    put(flags.toggle, f.toggle);
    put(flags.filter, f.filter);
    put(flags.mouse, f.mouse);
  }
  bool IsTaskbarAutoHide() override { return autoHide; }
  void SetTaskbarAutoHide(bool on) override { autoHide = on; }
};

}  // namespace

TEST(RestoreRecord, WhatADeadGameChangedIsGivenBackAtTheNextStartAndOnlyThen) {
  TestFolder folder;
  const std::wstring path = folder.File(L"restore.ini");
  FakeSystem system;
  const gamehost::AccessibilityFlags user = system.flags;
  {
    // A game starts: each note is on disk before its change is made.
    gamehost::RestoreRecord record(path, system);
    record.NoteTaskbarAutoHideOn();
    EXPECT_TRUE(folder.Exists(L"restore.ini"));
    system.autoHide = true;
    record.NoteAccessibilityHotKeysOff();
    // The second note replaced the first whole, by a rename: nothing beside it.
    EXPECT_NE(folder.Read(L"restore.ini").find("StickyKeys="), std::string::npos);
    EXPECT_FALSE(folder.Exists(L"restore.ini.~new"));
    system.flags = {user.sticky & ~0xCu, user.toggle, user.filter & ~0xCu, user.mouse & ~0xCu};
    // ... and the launcher dies: nobody calls Done.
  }
  EXPECT_TRUE(gamehost::RestoreAfterDeadGame(path, system));
  EXPECT_EQ(system.flags.sticky, user.sticky);
  EXPECT_EQ(system.flags.filter, user.filter);
  EXPECT_EQ(system.flags.mouse, user.mouse);
  EXPECT_FALSE(system.autoHide);
  EXPECT_FALSE(folder.Exists(L"restore.ini"));
  EXPECT_FALSE(gamehost::RestoreAfterDeadGame(path, system));  // once only
  EXPECT_EQ(system.restores, 1);

  // Damaged records: what is unreadable is left alone, the file goes anyway;
  // a taskbar someone already showed again stays shown.
  struct Case {
    const char* text;
    int restores;
  };
  const Case cases[] = {
      {"[Restore]\r\nTaskbarAutoHide=1\r\nStickyKeys=12x\r\nToggleKeys=0\r\nFilterKeys=0\r\nMouseKeys=0\r\n", 0},
      {"[Restore]\r\nStickyKeys=99999999999\r\nToggleKeys=0\r\nFilterKeys=0\r\nMouseKeys=0\r\n", 0},
      {"[Restore]\r\nStickyKeys=4\r\nToggleKeys=4\r\nFilterKeys=4\r\nMouseKeys=4\r\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    FakeSystem s;
    folder.Write(L"restore.ini", c.text);
    EXPECT_TRUE(gamehost::RestoreAfterDeadGame(path, s));
    EXPECT_EQ(s.restores, c.restores);
    EXPECT_FALSE(s.autoHide);
    EXPECT_FALSE(folder.Exists(L"restore.ini"));
  }
}
