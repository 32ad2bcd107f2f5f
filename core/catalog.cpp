#include "core/catalog.h"

namespace bimbly {
namespace {

// clang-format off
const std::array<CatalogCategory, kCategoryCount> kCategories = {{
    {-1, 0, "图卡"},  // picture cards
    {0, 1, "动物"},  // animals
    {1, 2, "鸟类"},  // birds
    {1, 3, "海底世界"},  // undersea world
    {1, 4, "昆虫"},  // insects
    {1, 5, "野生动物"},  // wild animals
    {1, 6, "宠物"},  // pets
    {0, 128, "交通工具"},  // means of transport
    {128, 129, "车"},  // vehicles
    {128, 130, "船"},  // boats
    {128, 131, "飞机"},  // aircraft
    {-1, 1024, "音乐"},  // music
}};

const std::array<CatalogItem, kItemCount> kItems = {{
    {2, 181, "大雁", "wild goose", "deckbird.dll", 0},  // row 0
    {2, 182, "鸽子", "pigeon", "deckbird.dll", 1},  // row 1
    {2, 185, "蝙蝠", "bat", "deckbird.dll", 2},  // row 2
    {2, 186, "海鸥", "Seagull", "deckbird.dll", 3},  // row 3
    {2, 187, "天鹅", "swan", "deckbird.dll", 4},  // row 4
    {2, 197, "鹰", "eagle", "deckbird.dll", 5},  // row 5
    {2, 205, "公鸡", "cock", "deckbird.dll", 6},  // row 6
    {2, 207, "麻雀", "sparrow", "deckbird.dll", 7},  // row 7
    {2, 225, "仙鹤", "Crane", "deckbird.dll", 8},  // row 8
    {2, 226, "鹦鹉", "parrot", "deckbird.dll", 9},  // row 9
    {2, 222, "猫头鹰", "owl", "deckbird.dll", 10},  // row 10
    {3, 188, "金鱼", "goldfish", "decksea.dll", 0},  // row 11
    {3, 193, "螃蟹", "crab", "decksea.dll", 1},  // row 12
    {3, 210, "青蛙", "frog", "decksea.dll", 2},  // row 13
    {3, 209, "企鹅", "penguin", "decksea.dll", 3},  // row 14
    {3, 211, "热带鱼", "tropical fish", "decksea.dll", 4},  // row 15
    {4, 208, "蜜蜂", "bee", "deckinsect.dll", 0},  // row 16
    {4, 213, "蜻蜓", "Dragonfly", "deckinsect.dll", 1},  // row 17
    {4, 206, "蝴蝶", "butterfly", "deckinsect.dll", 2},  // row 18
    {4, 224, "蚊子", "mosquito", "deckinsect.dll", 3},  // row 19
    {4, 221, "蚂蚁", "ant", "deckinsect.dll", 4},  // row 20
    {5, 198, "豹", "leopard", "deckanimal.dll", 0},  // row 21
    {5, 199, "象", "elephant", "deckanimal.dll", 1},  // row 22
    {5, 200, "马", "horse", "deckanimal.dll", 2},  // row 23
    {5, 201, "老虎", "tiger", "deckanimal.dll", 3},  // row 24
    {5, 223, "兔子", "rabbit", "deckanimal.dll", 4},  // row 25
    {5, 227, "恐龙", "dinosaur", "deckanimal.dll", 5},  // row 26
    {5, 218, "骆驼", "camel", "deckanimal.dll", 6},  // row 27
    {5, 217, "猴子", "monkey", "deckanimal.dll", 7},  // row 28
    {5, 215, "大猩猩", "gorilla", "deckanimal.dll", 8},  // row 29
    {6, 183, "狗", "dog", "deckpet.dll", 0},  // row 30
    {6, 184, "猫", "cat", "deckpet.dll", 1},  // row 31
    {129, 195, "火车", "train", "decktraffic.dll", 0},  // row 32
    {129, 194, "汽车", "car", "decktraffic.dll", 1},  // row 33
    {129, 212, "自行车", "bike", "decktraffic.dll", 4},  // row 34
    {129, 220, "马车", "cart", "decktraffic.dll", 5},  // row 35
    {129, 196, "汽车标志", "car logo", "deckcarlogo.dll", 0},  // row 36
    {130, 216, "帆船", "ship", "decktraffic.dll", 6},  // row 37
    {131, 202, "直升机", "helicopter", "decktraffic.dll", 2},  // row 38
    {131, 203, "客机", "airliner", "decktraffic.dll", 3},  // row 39
    {1024, 169, "钢琴", "piano", "music.dll", 0},  // row 40
    {1024, 173, "吉他", "guitar", "music.dll", 1},  // row 41
    {1024, 176, "古筝", "zither", "music.dll", 2},  // row 42
    {1024, 178, "扬琴", "dulcimer", "music.dll", 3},  // row 43
    {1024, 174, "小提琴", "violin", "music.dll", 4},  // row 44
    {1024, 175, "大提琴", "cello", "music.dll", 5},  // row 45
    {1024, 172, "萨克斯", "sax", "music.dll", 6},  // row 46
    {1024, 168, "架子鼓", "drums", "music.dll", 7},  // row 47
    {1024, 179, "定音鼓", "timpani", "music.dll", 8},  // row 48
    {1024, 170, "小号", "trumpet", "music.dll", 9},  // row 49
    {1024, 171, "长号", "trombone", "music.dll", 10},  // row 50
    {1024, 180, "鸟鸣", "bird tweet", "music.dll", 11},  // row 51
    {1024, 177, "铃声", "ring", "music.dll", 12},  // row 52
}};
// clang-format on

}  // namespace
const std::array<CatalogCategory, kCategoryCount>& Categories() { return kCategories; }
const std::array<CatalogItem, kItemCount>& Items() { return kItems; }

int CategoryRowById(int id) {
  for (int row = 0; row < kCategoryCount; ++row)
    if (kCategories[row].id == id) return row;
  return -1;
}

namespace {
// True when `ancestorRow` lies on the path from `row` up to the root.
bool IsDescendantOf(int row, int ancestorRow) {
  // The table holds no cycles, but bound the walk anyway.
  for (int steps = 0; row >= 0 && steps <= kCategoryCount; ++steps) {
    const int parent = CategoryRowById(kCategories[row].parentId);
    if (parent == ancestorRow) return true;
    row = parent;
  }
  return false;
}

void AppendItemsOf(int categoryId, std::vector<int>& rows) {
  for (int row = 0; row < kItemCount; ++row)
    if (kItems[row].categoryId == categoryId) rows.push_back(row);
}
}  // namespace

bool CategoryHasChildren(int categoryRow) {
  for (int row = 0; row < kCategoryCount; ++row)
    if (CategoryRowById(kCategories[row].parentId) == categoryRow) return true;
  return false;
}

std::vector<int> ItemRowsForCategory(int categoryRow) {
  std::vector<int> rows;
  if (categoryRow < 0 || categoryRow >= kCategoryCount) return rows;
  if (!CategoryHasChildren(categoryRow)) {
    AppendItemsOf(kCategories[categoryRow].id, rows);
    return rows;
  }
  for (int row = 0; row < kCategoryCount; ++row)
    if (IsDescendantOf(row, categoryRow)) AppendItemsOf(kCategories[row].id, rows);
  return rows;
}

std::vector<int> SwitchOrder(int row, bool forward) {
  std::vector<int> order;
  if (row < 0 || row >= kItemCount) row = 0;
  order.reserve(kItemCount);
  for (int step = 1; step <= kItemCount; ++step) {
    const int delta = forward ? step : -step;
    order.push_back(((row + delta) % kItemCount + kItemCount) % kItemCount);
  }
  return order;
}

}  // namespace bimbly
