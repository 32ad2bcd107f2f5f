// Choosing an item in the launcher: the category tree, the item list and the
// start of a game.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "tests/e2e/launcher_session.h"
#include "launcher/resource.h"

using namespace e2e;

namespace {

const std::vector<std::wstring> kCategoryNames = {
    L"\u56FE\u5361", L"\u52A8\u7269", L"\u9E1F\u7C7B", L"\u6D77\u5E95\u4E16\u754C", L"\u6606\u866B",
    L"\u91CE\u751F\u52A8\u7269", L"\u5BA0\u7269", L"\u4EA4\u901A\u5DE5\u5177", L"\u8F66", L"\u8239",
    L"\u98DE\u673A", L"\u97F3\u4E50"};

// The first and last names of the 40 picture cards, in list order.
const wchar_t kWildGoose[] = L"\u5927\u96C1";  // 大雁
const wchar_t kAirliner[] = L"\u5BA2\u673A";   // 客机
const wchar_t kPiano[] = L"\u94A2\u7434";      // 钢琴
const wchar_t kRing[] = L"\u94C3\u58F0";       // 铃声

class CatalogTest : public ::testing::Test {
 protected:
  ProgramFolder folder;
};

}  // namespace

TEST_F(CatalogTest, TreeShowsTheTwelveCategoriesInTableOrderAllExpanded) {
  LauncherSession s(folder);
  ASSERT_TRUE(s.ok());
  EXPECT_EQ(TreeItemTexts(s.tree, /*expandedOnly=*/true), kCategoryNames);
  EXPECT_TRUE(ListItemTexts(s.list).empty());  // nothing listed until a category is chosen
}

TEST_F(CatalogTest, SelectingACategoryListsItsItemsInOrderAndReselectingRebuilds) {
  LauncherSession s(folder);
  ASSERT_TRUE(s.ok());
  ASSERT_TRUE(s.SelectCategory(kCardsCategory));
  auto cards = ListItemTexts(s.list);
  ASSERT_EQ(cards.size(), 40u);
  EXPECT_EQ(cards.front(), kWildGoose);
  EXPECT_EQ(cards.back(), kAirliner);

  ASSERT_TRUE(s.SelectCategory(kMusicCategory));
  auto music = ListItemTexts(s.list);
  ASSERT_EQ(music.size(), 13u);
  EXPECT_EQ(music.front(), kPiano);
  EXPECT_EQ(music.back(), kRing);

  ASSERT_TRUE(s.SelectCategory(kCardsCategory));
  EXPECT_EQ(ListItemTexts(s.list), cards);
  // Picture n belongs to entry n: the image list holds exactly one picture per entry.
  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(::SendMessageW(s.list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
  EXPECT_NE(images, nullptr);
}

TEST_F(CatalogTest, StartWithNothingSelectedAsksForAChoice) {
  LauncherSession s(folder);
  ASSERT_TRUE(s.ok());
  ASSERT_TRUE(s.SelectCategory(kMusicCategory));
  Focus(s.frame);
  ClickWindowCentre(::GetDlgItem(s.toolbar, IDC_TOOL_START));
  HWND box = s.WaitForMessageBox(5000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(LauncherSession::MessageBoxText(box), kSelectFirstMessage);
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, 5000));
  EXPECT_FALSE(MutexExists(L"TobbleBabyPlaying"));
}

TEST_F(CatalogTest, DoubleClickOnAnItemWhoseModuleIsMissingStartsNothing) {
  folder.Remove(L"Music.dll");
  LauncherSession s(folder);
  ASSERT_TRUE(s.ClickItem(kMusicCategory, 0, /*doubleClick=*/true));
  HWND box = s.WaitForMessageBox(5000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(LauncherSession::MessageBoxText(box), kSelectFirstMessage);
  EXPECT_FALSE(MutexExists(L"TobbleBabyPlaying"));
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, 5000));
  EXPECT_TRUE(::IsWindowEnabled(s.frame));
}

TEST_F(CatalogTest, EnterOnASelectedItemStartsNothing) {
  LauncherSession s(folder);
  ASSERT_TRUE(s.ClickItem(kMusicCategory, 0, /*doubleClick=*/false));
  PressKey(VK_RETURN);
  ::Sleep(500);
  EXPECT_EQ(s.WaitForMessageBox(300), nullptr);
  EXPECT_FALSE(MutexExists(L"TobbleBabyPlaying"));
  EXPECT_EQ(TopLevelWindows(s.process.id()).size(), 1u);
}
