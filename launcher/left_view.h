// The category tree on the left of the main window.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>

#include "core/catalog.h"
#include "framework/app.h"
#include "framework/handles.h"

class CTobbleView;

// The category tree on the left of the launcher's main window.
class CLeftView : public fw::CControlView {
 public:
  bool Create(HWND parent, UINT id, SIZE initial);
  // The list that shows the items of the selected category.
  void SetItemList(CTobbleView* list) { itemList_ = list; }
  // Expands (or collapses) an item and all its descendants, depth first.
  void ExpandAll(HTREEITEM item, bool expand);
  // Category row of a tree item, or -1.
  int CategoryRowOf(HTREEITEM item) const;
  // Shows "我的家" last while the family has cards, and removes it when none is left.
  void RefreshFamily();

 protected:
  void OnInitialUpdate() override;
  FW_DECLARE_MESSAGE_MAP()

 private:
  LRESULT OnSelectionChanged(NMHDR* nm);

  fw::UniqueImageList images_;
  std::array<HTREEITEM, bimbly::kCategoryCount> treeItems_{};  // filled when the tree is built
  CTobbleView* itemList_ = nullptr;
  HTREEITEM familyItem_ = nullptr;
};
