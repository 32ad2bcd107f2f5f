#include "launcher/tobble_view.h"

#include <commctrl.h>

#include "framework/text.h"
#include "launcher/resource.h"

bool CTobbleView::Create(HWND parent, UINT id, SIZE initial) {
  return CreateControl(WC_LISTVIEWW, parent, id, LVS_ICON | LVS_AUTOARRANGE | LVS_SHOWSELALWAYS,
                       WS_EX_CLIENTEDGE, initial);
}

void CTobbleView::StartSelectedItem() {
  const std::wstring text = fw::LoadResourceString(fw::ThisModule(), IDS_SELECT_ITEM_FIRST);
  ::MessageBoxW(::GetAncestor(hwnd_, GA_ROOT), text.c_str(), L"Tobble", MB_OK | MB_ICONINFORMATION);
}
