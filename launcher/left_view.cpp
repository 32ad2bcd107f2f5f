#include "launcher/left_view.h"

#include <commctrl.h>

bool CLeftView::Create(HWND parent, UINT id, SIZE initial) {
  return CreateControl(WC_TREEVIEWW, parent, id,
                       TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE,
                       initial);
}
