// The fixed catalog: 12 categories in a small tree and 53 items, each served
// by one play module. An item's row (0-52) is its identity everywhere: list
// item data, the value handed to the game host and the unit of previous/next
// navigation. Names are GBK text.
#pragma once

#include <array>
#include <vector>

namespace bimbly {

struct CatalogCategory {
  int parentId;      // -1 for a top-level category
  int id;
  const char* name;  // GBK
};

struct CatalogItem {
  int categoryId;      // the leaf category that lists the item
  int bitmapId;        // launcher bitmap with the item's 64 x 64 picture
  const char* name;    // Chinese name, GBK: caption, spoken text, handed to the module
  const char* englishLabel;
  const char* moduleFile;  // loaded by this bare name
  int moduleItemIndex;     // number of the item within its module
};

inline constexpr int kCategoryCount = 12;
inline constexpr int kItemCount = 53;

const std::array<CatalogCategory, kCategoryCount>& Categories();
const std::array<CatalogItem, kItemCount>& Items();

// Row of the category with this id, or -1.
int CategoryRowById(int id);

// True when some category names `categoryRow` as an ancestor.
bool CategoryHasChildren(int categoryRow);

// Item rows listed when a category is selected in the tree, in table order:
// for a category with children, the items of every descendant category (each
// descendant in category-table order); otherwise its own items.
std::vector<int> ItemRowsForCategory(int categoryRow);

// Rows tried, in order, when the game steps to the previous or next item from
// `row`: every other row once, wrapping from 52 to 0 and back, ending with
// `row` itself.
std::vector<int> SwitchOrder(int row, bool forward);

}  // namespace bimbly
