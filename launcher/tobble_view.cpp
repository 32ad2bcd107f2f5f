#include "launcher/tobble_view.h"

#include <commctrl.h>

#include "core/catalog.h"
#include "core/style_table.h"
#include "framework/image_list.h"
#include "framework/text.h"
#include "gamehost/game_dialog.h"
#include "gamehost/play_module.h"
#include "launcher/resource.h"
#include "settings/settings_store.h"
#include "speech/speech_requests.h"
#include "speech/speech_worker.h"
#include "style/choose_style.h"

namespace {
constexpr int kPictureSize = 64;
constexpr COLORREF kMaskWhite = RGB(255, 255, 255);
}  // namespace

const fw::MessageEntry CTobbleView::kMessageEntries[] = {
    fw::OnNotifyReflect<&CTobbleView::OnClick>(NM_CLICK),
    fw::OnNotifyReflect<&CTobbleView::OnDoubleClick>(NM_DBLCLK),
};
const fw::MessageMap CTobbleView::kMessageMap = fw::MakeMessageMap(&fw::CControlView::kMessageMap, kMessageEntries);

bool CTobbleView::Create(HWND parent, UINT id, SIZE initial) {
  // Icon view from the start, without any of the report view's extras. The
  // view owns its image lists; the control only shares them.
  return CreateControl(WC_LISTVIEWW, parent, id, WS_BORDER | LVS_ICON | LVS_AUTOARRANGE | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                       0, initial);
}

void CTobbleView::OnInitialUpdate() {
  // The style's tile behind the pictures, from the program's own resources.
  // Some systems do not take a resource address here; the list then stays plain.
  const bimbly::StyleEntry& s = bimbly::StyleFor(style::CurrentStyle());
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
  // A category with children lists its descendants' items; a leaf its own.
  for (int row : bimbly::ItemRowsForCategory(categoryRow)) AppendItem(row);
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void CTobbleView::AppendItem(int row) {
  const bimbly::CatalogItem& item = bimbly::Items()[row];
  fw::AddBitmapResource(images_.get(), fw::ThisModule(), item.bitmapId, kMaskWhite);
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
  // Read at each click, so a change in the settings holds at once.
  const bimbly::NameSpeaking how = settings::ReadNameSpeaking();
  if (how.quiet) return;
  // A new name cuts off the one being spoken.
  SpeechRecord* record = speech::ProcessSpeechRecord();
  speech::StopSpeech(record);
  speech::SpeakNamesGbk(bimbly::Items()[row].name, bimbly::Items()[row].englishLabel, how, record);
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
  // Probe the module before a game window appears.
  if (!gamehost::PlayModuleLoads(bimbly::Items()[row].moduleFile)) {
    ShowSelectFirstMessage();
    return 0;
  }
  // The game runs modally on this thread, over the launcher's frame.
  CBackGroundDlg game(speech::ProcessSpeechRecord(), fw::ThisModule());
  game.SelectCatalogEntry(row);
  game.DoModal(::GetAncestor(hwnd_, GA_ROOT));
  return 1;
}
