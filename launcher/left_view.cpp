#include "launcher/left_view.h"

#include "core/style_table.h"
#include "framework/image_list.h"
#include "framework/text.h"
#include "style/choose_style.h"
#include "launcher/tobble_view.h"
#include "toolkit/family_files.h"

namespace {
constexpr int kTopLevelPicture = 0;
constexpr int kSubCategoryPicture = 1;
constexpr UINT kTopLevelBitmap = 139;
constexpr UINT kSubCategoryBitmap = 142;
constexpr COLORREF kMaskWhite = RGB(255, 255, 255);
}  // namespace

const fw::MessageEntry CLeftView::kMessageEntries[] = {
    fw::OnNotifyReflect<&CLeftView::OnSelectionChanged>(TVN_SELCHANGEDW),
};
const fw::MessageMap CLeftView::kMessageMap = fw::MakeMessageMap(&fw::CControlView::kMessageMap, kMessageEntries);

bool CLeftView::Create(HWND parent, UINT id, SIZE initial) {
  return CreateControl(WC_TREEVIEWW, parent, id,
                       WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS, 0, initial);
}

void CLeftView::OnInitialUpdate() {
  images_.reset(ImageList_Create(16, 16, ILC_COLORDDB | ILC_MASK, 0, 1));
  fw::AddBitmapResource(images_.get(), fw::ThisModule(), kTopLevelBitmap, kMaskWhite);
  fw::AddBitmapResource(images_.get(), fw::ThisModule(), kSubCategoryBitmap, kMaskWhite);
  TreeView_SetImageList(hwnd_, images_.get(), TVSIL_NORMAL);

  const auto& categories = bimbly::Categories();
  for (int row = 0; row < bimbly::kCategoryCount; ++row) {
    const bimbly::CatalogCategory& c = categories[row];
    HTREEITEM parent = TVI_ROOT;
    int picture = kTopLevelPicture;
    if (c.parentId >= 0) {
      // Parents come first in the table; a category without a shown parent is skipped.
      const int parentRow = bimbly::CategoryRowById(c.parentId);
      if (parentRow < 0 || !treeItems_[parentRow]) continue;
      parent = treeItems_[parentRow];
      picture = kSubCategoryPicture;
    }
    const std::wstring name = fw::GbkToWide(c.name);
    TVINSERTSTRUCTW ins{};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.item.pszText = const_cast<LPWSTR>(name.c_str());
    ins.item.iImage = picture;
    ins.item.iSelectedImage = picture;
    treeItems_[row] = TreeView_InsertItem(hwnd_, &ins);
  }

  const bimbly::Rgb tree = bimbly::StyleFor(style::CurrentStyle()).tree;
  TreeView_SetBkColor(hwnd_, RGB(tree.r, tree.g, tree.b));

  for (HTREEITEM item = TreeView_GetRoot(hwnd_); item; item = TreeView_GetNextSibling(hwnd_, item))
    ExpandAll(item, true);
  RefreshFamily();
}

void CLeftView::RefreshFamily() {
  const bool wanted = !family_files::LoadBook().items.empty();
  if (wanted && !familyItem_) {
    static const wchar_t kFamily[] = L"\u6211\u7684\u5BB6";  // 我的家
    TVINSERTSTRUCTW ins{};
    ins.hParent = TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.item.pszText = const_cast<LPWSTR>(kFamily);
    ins.item.iImage = kTopLevelPicture;
    ins.item.iSelectedImage = kTopLevelPicture;
    familyItem_ = TreeView_InsertItem(hwnd_, &ins);
  } else if (!wanted && familyItem_) {
    HTREEITEM gone = familyItem_;
    familyItem_ = nullptr;
    TreeView_DeleteItem(hwnd_, gone);
  }
}

void CLeftView::ExpandAll(HTREEITEM item, bool expand) {
  if (!item) return;
  TreeView_Expand(hwnd_, item, expand ? TVE_EXPAND : TVE_COLLAPSE);
  for (HTREEITEM child = TreeView_GetChild(hwnd_, item); child; child = TreeView_GetNextSibling(hwnd_, child))
    ExpandAll(child, expand);
}

int CLeftView::CategoryRowOf(HTREEITEM item) const {
  if (!item) return -1;
  for (int row = 0; row < bimbly::kCategoryCount; ++row)
    if (treeItems_[row] == item) return row;
  return -1;
}

LRESULT CLeftView::OnSelectionChanged(NMHDR*) {
  if (!itemList_) return 0;
  HTREEITEM selected = TreeView_GetSelection(hwnd_);
  if (selected && selected == familyItem_)
    itemList_->ShowFamily();
  else
    itemList_->ShowCategory(CategoryRowOf(selected));
  return 0;
}
