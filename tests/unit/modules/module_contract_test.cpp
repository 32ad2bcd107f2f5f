// Every play module honours the contract with the host: two exports, a board
// window owned by the host, Page Up / Page Down turned into one request, the
// context menu's three commands, and a clean unload.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "framework/gdiplus_session.h"

#include "tests/unit/modules/module_host.h"

using namespace module_test;

namespace {

const char kName[] = "\xB8\xD6\xC7\xD9";  // GBK
// The board's context-menu command that asks the host to open the exit dialog.
constexpr WPARAM kCmdExit = 10003;

class ModuleContract : public ::testing::TestWithParam<const wchar_t*> {
 protected:
  // Starts a board for an item index as the host does; like the host's, the
  // start block outlives the board.
  HWND StartBoard(Module& m, int itemIndex) {
    info = ModuleStartInfo{itemIndex, kName, "test", nullptr, 0, 0};
    return m.init ? AsWindow(m.init(host.hwnd(), &info)) : nullptr;
  }

  fw::GdiplusSession gdiplus;
  FakeHost host;
  ModuleStartInfo info{};
};

}  // namespace

TEST_P(ModuleContract, ExportsBothFunctionsByNameAndOrdinal) {
  Module m(GetParam());
  ASSERT_TRUE(m.lib) << "cannot load " << std::string(GetParam(), GetParam() + wcslen(GetParam()));
  EXPECT_NE(m.init, nullptr);
  EXPECT_NE(m.uninit, nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(::GetProcAddress(m.lib.get(), MAKEINTRESOURCEA(1))),
            reinterpret_cast<void*>(m.init));
  EXPECT_EQ(reinterpret_cast<void*>(::GetProcAddress(m.lib.get(), MAKEINTRESOURCEA(2))),
            reinterpret_cast<void*>(m.uninit));
}

TEST_P(ModuleContract, BoardCoversTheScreenOwnedByTheHostAndGoesOnUninitialize) {
  Module m(GetParam());
  HWND board = StartBoard(m, 0);
  ASSERT_NE(board, nullptr);
  EXPECT_TRUE(::IsWindowVisible(board));
  EXPECT_EQ(::GetWindow(board, GW_OWNER), host.hwnd());
  EXPECT_NE(::GetWindowThreadProcessId(board, nullptr), ::GetCurrentThreadId());  // its own thread
  RECT rc{};
  ::GetWindowRect(board, &rc);
  EXPECT_EQ(rc.left, 0);
  EXPECT_EQ(rc.top, 0);
  EXPECT_EQ(rc.right, ::GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(rc.bottom, ::GetSystemMetrics(SM_CYSCREEN));
  m.uninit();
  EXPECT_FALSE(::IsWindow(board));
  m.uninit();  // a second call does nothing
}

TEST_P(ModuleContract, PageUpThenPageDownPostsOnlyTheFirstRequest) {
  Module m(GetParam());
  HWND board = StartBoard(m, 1);
  ASSERT_NE(board, nullptr);
  ::PostMessageW(board, WM_PLAY_KEYDOWN, VK_PRIOR, 0);
  ::PostMessageW(board, WM_PLAY_KEYDOWN, VK_NEXT, 0);
  ::PostMessageW(board, WM_PLAY_KEYDOWN, 'A', 0);
  ::PostMessageW(board, WM_COMMAND, kCmdExit, 0);
  EXPECT_EQ(host.CollectUntil(WM_PLAY_EXIT), (std::vector<UINT>{WM_PLAY_PREVIOUS, WM_PLAY_EXIT}));
  // Keys after the request no longer reach the board's own handling.
  EXPECT_EQ(::GetPropW(board, L"Bimbly.KeyDowns"), nullptr);
}

TEST_P(ModuleContract, ContextMenuCommandsPostRequestsAndLeaveKeysFlowing) {
  Module m(GetParam());
  HWND board = StartBoard(m, 0);
  ASSERT_NE(board, nullptr);
  ::PostMessageW(board, WM_COMMAND, kCmdExit, 0);
  ::PostMessageW(board, WM_COMMAND, 10001, 0);
  ::PostMessageW(board, WM_COMMAND, 10002, 0);
  EXPECT_EQ(host.CollectUntil(WM_PLAY_NEXT), (std::vector<UINT>{WM_PLAY_EXIT, WM_PLAY_PREVIOUS, WM_PLAY_NEXT}));
  ::PostMessageW(board, WM_PLAY_KEYDOWN, 'A', 0);
  ::PostMessageW(board, WM_COMMAND, kCmdExit, 0);
  EXPECT_EQ(host.CollectUntil(WM_PLAY_EXIT), std::vector<UINT>{WM_PLAY_EXIT});
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(::GetPropW(board, L"Bimbly.KeyDowns")), 1);
}

TEST_P(ModuleContract, AnItemIndexOutsideTheTableStillGivesAWorkingBoard) {
  Module m(GetParam());
  ASSERT_NE(m.init, nullptr);
  for (int index : {-1, 99}) {
    HWND board = StartBoard(m, index);
    ASSERT_NE(board, nullptr) << index;
    ::PostMessageW(board, WM_PLAY_KEYDOWN, VK_NEXT, 0);
    ::PostMessageW(board, WM_COMMAND, kCmdExit, 0);
    EXPECT_EQ(host.CollectUntil(WM_PLAY_EXIT), (std::vector<UINT>{WM_PLAY_NEXT, WM_PLAY_EXIT}));
    m.uninit();
  }
}

TEST_P(ModuleContract, LoadingAndUnloadingRepeatedlyKeepsWorking) {
  // The window class must not outlive the library between loads.
  for (int i = 0; i < 3; ++i) {
    Module m(GetParam());
    EXPECT_NE(StartBoard(m, 0), nullptr) << "load " << i;
  }
}

TEST_P(ModuleContract, NullStartInfoIsRefused) {
  Module m(GetParam());
  ASSERT_NE(m.init, nullptr);
  EXPECT_EQ(m.init(host.hwnd(), nullptr), 0u);
}

INSTANTIATE_TEST_SUITE_P(AllModules, ModuleContract,
                         ::testing::Values(L"Music.dll", L"DeckInsect.dll", L"DeckBird.dll", L"DeckTraffic.dll",
                                           L"DeckAnimal.dll", L"DeckPet.dll", L"DeckSea.dll", L"DeckCarLogo.dll",
                                           // a family card that is not there: the placeholder board
                                           L"DeckFamily.dll"));
