#include "launcher/tobble_view.h"

#include <commctrl.h>

#include "core/catalog.h"
#include "core/style_table.h"
#include "framework/image_list.h"
#include "framework/text.h"
#include "gamehost/game_dialog.h"
#include "gamehost/play_module.h"
#include "launcher/family_entry.h"
#include "launcher/resource.h"
#include "settings/settings_store.h"
#include "speech/speech_requests.h"
#include "speech/speech_worker.h"
#include "style/choose_style.h"
#include "toolkit/family_files.h"

namespace {
constexpr int kPictureSize = 64;
constexpr COLORREF kMaskWhite = RGB(255, 255, 255);
constexpr char kFamilyModuleFile[] = "DeckFamily.dll";
}  // namespace

const fw::MessageEntry CTobbleView::kMessageEntries[] = {
    fw::OnNotifyReflect<&CTobbleView::OnClick>(NM_CLICK),
    fw::OnNotifyReflect<&CTobbleView::OnDoubleClick>(NM_DBLCLK),
    fw::OnNotifyReflect<&CTobbleView::OnRightClick>(NM_RCLICK),
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
  showingFamily_ = false;
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

void CTobbleView::ShowFamily() {
  showingFamily_ = true;
  ListView_DeleteAllItems(hwnd_);
  NewImageList();
  const bimbly::family::Book book = family_files::LoadBook();
  const family_files::Bytes placeholder = family_files::PlaceholderPicture(kPictureSize);
  for (const bimbly::family::Item& card : book.items) {
    // A card whose picture is missing or spoilt shows the placeholder and can still be edited.
    fw::UniqueBitmap picture(family_files::MakeThumbnail(family_files::CardPicture(card), kPictureSize));
    if (!picture) picture.reset(family_files::MakeThumbnail(placeholder, kPictureSize));
    const int n = ListView_GetItemCount(hwnd_);
    ImageList_Add(images_.get(), picture.get(), nullptr);  // a photo's white is not a hole
    const std::wstring name = family_files::Utf8ToWide(card.name);
    LVITEMW lv{};
    lv.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    lv.iItem = n;
    lv.pszText = const_cast<LPWSTR>(name.c_str());
    lv.iImage = n;
    lv.lParam = kFamilyParamBase + card.id;
    ListView_InsertItem(hwnd_, &lv);
  }
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void CTobbleView::RefreshFamily() {
  if (showingFamily_) ShowFamily();
}

LPARAM CTobbleView::FirstSelectedParam() const {
  const int index = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
  if (index < 0) return -1;
  LVITEMW lv{};
  lv.mask = LVIF_PARAM;
  lv.iItem = index;
  if (!ListView_GetItem(hwnd_, &lv)) return -1;
  return lv.lParam;
}

int CTobbleView::FirstSelectedRow() const {
  const LPARAM row = FirstSelectedParam();
  return row >= 0 && row < bimbly::kItemCount ? static_cast<int>(row) : -1;
}

int CTobbleView::FirstSelectedFamilyCard() const {
  const LPARAM p = FirstSelectedParam();
  return p >= kFamilyParamBase && p <= kFamilyParamBase + bimbly::family::kMaxId ? static_cast<int>(p - kFamilyParamBase)
                                                                                  : -1;
}

LRESULT CTobbleView::OnRightClick(NMHDR*) {
  // The parent's own cards are added, changed and removed from here.
  const int card = FirstSelectedFamilyCard();
  fw::UniqueMenu menu(::CreatePopupMenu());
  if (!menu) return 0;
  const UINT onCard = card >= 0 ? MF_ENABLED : MF_GRAYED;
  ::AppendMenuW(menu.get(), MF_STRING, IDM_FAMILY_ADD, L"添加我的图卡(&A)…");
  ::AppendMenuW(menu.get(), MF_STRING | onCard, IDM_FAMILY_EDIT, L"修改(&E)…");
  ::AppendMenuW(menu.get(), MF_STRING | onCard, IDM_FAMILY_DELETE, L"删除(&D)");
  POINT at{};
  ::GetCursorPos(&at);
  HWND owner = ::GetAncestor(hwnd_, GA_ROOT);
  const UINT chosen = static_cast<UINT>(
      ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr));
  if (chosen == IDM_FAMILY_ADD) launcher::OpenFamilyDialog(owner);
  else if (chosen == IDM_FAMILY_EDIT) launcher::EditFamilyCard(owner, card);
  else if (chosen == IDM_FAMILY_DELETE) launcher::DeleteFamilyCard(owner, card);
  return 0;
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
  if (const int card = FirstSelectedFamilyCard(); card >= 0) {
    const bimbly::family::Book book = family_files::LoadBook();
    if (const bimbly::family::Item* item = book.Find(card)) launcher::SpeakFamilyName(*item);
    return;
  }
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
  if (const int card = FirstSelectedFamilyCard(); card >= 0) {
    if (!gamehost::PlayModuleLoads(kFamilyModuleFile)) {
      ShowSelectFirstMessage();
      return 0;
    }
    CBackGroundDlg game(speech::ProcessSpeechRecord(), fw::ThisModule());
    game.SelectFamilyCard(card);
    game.DoModal(::GetAncestor(hwnd_, GA_ROOT));
    return 1;
  }
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
