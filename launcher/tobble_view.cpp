#include "launcher/tobble_view.h"

#include <commctrl.h>

#include "core/catalog.h"
#include "core/style_table.h"
#include "framework/text.h"
#include "launcher/game_seam.h"
#include "launcher/resource.h"
#include "launcher/shared/choose_style.h"
#include "launcher/speech_seam.h"
#include "modules/common/module_contract.h"

namespace {
constexpr int kPictureSize = 64;
constexpr COLORREF kMaskWhite = RGB(255, 255, 255);
}  // namespace

const fw::MessageEntry CTobbleView::kMessageEntries[] = {
    fw::OnNotifyReflect<&CTobbleView::OnClick>(NM_CLICK),
    fw::OnNotifyReflect<&CTobbleView::OnDoubleClick>(NM_DBLCLK),
};
const fw::MessageMap CTobbleView::kMessageMap = fw::MakeMessageMap(&fw::CWnd::kMessageMap, kMessageEntries);

bool CTobbleView::Create(HWND parent, UINT id, SIZE initial) {
  return CreateControl(WC_LISTVIEWW, parent, id, WS_BORDER | LVS_ICON | LVS_AUTOARRANGE | LVS_SHOWSELALWAYS, 0,
                       initial);
}

void CTobbleView::OnInitialUpdate() {
  // Icon view, and none of the report-view extras.
  const LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
  ::SetWindowLongPtrW(hwnd_, GWL_STYLE, (style & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) | LVS_ICON);
  const DWORD ex = ListView_GetExtendedListViewStyle(hwnd_);
  ListView_SetExtendedListViewStyle(hwnd_, ex & ~(LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT | LVS_EX_UNDERLINECOLD));

  // The style's tile behind the pictures, from the program's own resources.
  // Some systems do not take a resource address here; the list then stays plain.
  const bimbly::StyleEntry& s = bimbly::StyleFor(CurrentStyle());
  std::wstring url = L"res://" + fw::GetModulePath(nullptr) + L"/" + bimbly::kStylePictureType + L"/" +
                     s.listPictureName;
  LVBKIMAGEW bk{};
  bk.ulFlags = LVBKIF_SOURCE_URL | LVBKIF_STYLE_TILE;
  bk.pszImage = url.data();
  ::SendMessageW(hwnd_, LVM_SETBKIMAGEW, 0, reinterpret_cast<LPARAM>(&bk));

  NewImageList();
}

void CTobbleView::NewImageList() {
  ListView_SetImageList(hwnd_, nullptr, LVSIL_NORMAL);
  images_.reset(ImageList_Create(kPictureSize, kPictureSize, ILC_COLORDDB | ILC_MASK, 4, 1));
  ListView_SetImageList(hwnd_, images_.get(), LVSIL_NORMAL);
}

void CTobbleView::ShowCategory(int categoryRow) {
  ListView_DeleteAllItems(hwnd_);
  NewImageList();
  if (categoryRow < 0) {
    FillItemList(0);
    return;
  }
  // A category with children lists its descendants' items; a leaf its own.
  const std::vector<int> rows = bimbly::ItemRowsForCategory(categoryRow);
  for (int id = -1, i = 0; i < static_cast<int>(rows.size()); ++i) {
    const int category = bimbly::Items()[rows[i]].categoryId;
    if (category != id) {
      FillItemList(category);
      id = category;
    }
  }
}

void CTobbleView::FillItemList(int categoryId) {
  const auto& items = bimbly::Items();
  for (int row = 0; row < bimbly::kItemCount; ++row) {
    const bimbly::CatalogItem& item = items[row];
    if (item.categoryId != categoryId) continue;
    fw::UniqueBitmap bmp(static_cast<HBITMAP>(::LoadImageW(
        fw::ThisModule(), MAKEINTRESOURCEW(item.bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bmp) bmp.reset(::CreateBitmap(kPictureSize, kPictureSize, 1, 32, nullptr));
    ImageList_AddMasked(images_.get(), bmp.get(), kMaskWhite);

    const int n = ListView_GetItemCount(hwnd_);
    const std::wstring name = fw::GbkToWide(item.name);
    LVITEMW lv{};
    lv.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    lv.iItem = n;
    lv.pszText = const_cast<LPWSTR>(name.c_str());
    lv.iImage = n;  // picture n always belongs to entry n
    lv.lParam = row;
    ListView_InsertItem(hwnd_, &lv);
  }
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

int CTobbleView::FirstSelectedRow() const {
  const int index = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
  if (index < 0) return -1;
  LVITEMW lv{};
  lv.mask = LVIF_PARAM;
  lv.iItem = index;
  if (!ListView_GetItem(hwnd_, &lv)) return -1;
  const int row = static_cast<int>(lv.lParam);
  return row >= 0 && row < bimbly::kItemCount ? row : -1;
}

LRESULT CTobbleView::OnClick(NMHDR*) {
  SpeakSelectedItem();
  return 0;
}

LRESULT CTobbleView::OnDoubleClick(NMHDR*) {
  StartSelectedItem();
  return 0;
}

void CTobbleView::SpeakSelectedItem() {
  const int row = FirstSelectedRow();
  if (row < 0) return;
  SpeakItemName(bimbly::Items()[row].name);
}

void CTobbleView::ShowSelectFirstMessage() {
  const std::wstring text = fw::LoadResourceString(fw::ThisModule(), IDS_SELECT_ITEM_FIRST);
  ::MessageBoxW(::GetAncestor(hwnd_, GA_ROOT), text.c_str(), L"Tobble", MB_OK | MB_ICONINFORMATION);
}

int CTobbleView::StartSelectedItem() {
  const int row = FirstSelectedRow();
  if (row < 0) {
    ShowSelectFirstMessage();
    return 0;
  }
  // Probe the module by its bare name before a game window appears.
  {
    fw::UniqueModule module(::LoadLibraryA(bimbly::Items()[row].moduleFile));
    if (!module || !::GetProcAddress(module.get(), kInitializeExport)) {
      ShowSelectFirstMessage();
      return 0;
    }
  }
  RunGame(::GetAncestor(hwnd_, GA_ROOT), row);
  return 1;
}
