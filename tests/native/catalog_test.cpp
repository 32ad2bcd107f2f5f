#include "core/catalog.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace bimbly;

namespace {
std::vector<int> RowsFor(const char* gbkName) {
  for (int row = 0; row < kCategoryCount; ++row)
    if (std::string(Categories()[row].name) == gbkName) return ItemRowsForCategory(row);
  ADD_FAILURE() << "no category " << gbkName;
  return {};
}
std::vector<int> Range(int first, int last) {
  std::vector<int> r;
  for (int i = first; i <= last; ++i) r.push_back(i);
  return r;
}
}  // namespace

TEST(Catalog, NamesAreGbkText) {
  // 钢琴 in GBK, as the modules and the speech worker receive it.
  EXPECT_EQ(std::string(Items()[40].name), "\xB8\xD6\xC7\xD9");
  EXPECT_EQ(std::string(Categories()[0].name), "\xCD\xBC\xBF\xA8");  // 图卡
}

TEST(Catalog, SelectingACategoryListsEveryDescendantInTableOrder) {
  // 图卡: birds 11, sea 5, insects 5, wild animals 9, pets 2, vehicles 5, boats 1, aircraft 2.
  const auto cards = RowsFor("图卡");
  ASSERT_EQ(cards.size(), 40u);
  std::vector<int> expected = Range(0, 39);
  EXPECT_EQ(cards, expected);
  EXPECT_EQ(RowsFor("动物"), Range(0, 31));
  EXPECT_EQ(RowsFor("交通工具"), Range(32, 39));
  EXPECT_EQ(RowsFor("音乐"), Range(40, 52));
  EXPECT_EQ(RowsFor("车"), Range(32, 36));
  EXPECT_EQ(RowsFor("船"), std::vector<int>{37});
  EXPECT_EQ(RowsFor("飞机"), (std::vector<int>{38, 39}));
  EXPECT_EQ(RowsFor("宠物"), (std::vector<int>{30, 31}));
  EXPECT_TRUE(ItemRowsForCategory(-1).empty());
}

TEST(Catalog, EveryItemBelongsToALeafAndHasAModule) {
  std::set<int> bitmaps;
  for (int row = 0; row < kItemCount; ++row) {
    const CatalogItem& item = Items()[row];
    const int cat = CategoryRowById(item.categoryId);
    ASSERT_GE(cat, 0) << row;
    EXPECT_FALSE(CategoryHasChildren(cat)) << row;
    EXPECT_TRUE(bitmaps.insert(item.bitmapId).second) << "bitmap used twice: " << item.bitmapId;
    EXPECT_GE(item.bitmapId, 168);
    EXPECT_LE(item.bitmapId, 227);
    EXPECT_NE(std::string(item.englishLabel), "");
  }
  // Vehicles are served out of module order.
  EXPECT_EQ(Items()[34].moduleItemIndex, 4);
  EXPECT_EQ(Items()[38].moduleItemIndex, 2);
  EXPECT_EQ(std::string(Items()[36].moduleFile), "deckcarlogo.dll");
}

TEST(Catalog, SwitchingWrapsAroundAndVisitsEveryRowOnce) {
  const auto next = SwitchOrder(52, true);
  ASSERT_EQ(next.size(), 53u);
  EXPECT_EQ(next.front(), 0);
  EXPECT_EQ(next.back(), 52);
  const auto prev = SwitchOrder(0, false);
  EXPECT_EQ(prev.front(), 52);
  EXPECT_EQ(prev[1], 51);
  EXPECT_EQ(prev.back(), 0);
  EXPECT_EQ(std::set<int>(next.begin(), next.end()).size(), 53u);
  EXPECT_EQ(SwitchOrder(999, true).front(), 1);  // out of range: treated as row 0
}
