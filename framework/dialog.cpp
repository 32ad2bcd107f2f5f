#include "framework/dialog.h"

#include "framework/text.h"

namespace fw {

void DDX_Text(DataExchange& dx, int id, std::wstring& value) {
  HWND ctl = ::GetDlgItem(dx.dialog, id);
  if (!ctl) {
    dx.failed = true;
    return;
  }
  if (dx.save)
    value = GetWindowTextString(ctl);
  else
    ::SetWindowTextW(ctl, value.c_str());
}

void DDX_Check(DataExchange& dx, int id, int& value) {
  HWND ctl = ::GetDlgItem(dx.dialog, id);
  if (!ctl) {
    dx.failed = true;
    return;
  }
  if (dx.save)
    value = static_cast<int>(::SendMessageW(ctl, BM_GETCHECK, 0, 0));
  else
    ::SendMessageW(ctl, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(DataExchange& dx, int firstId, int& value) {
  HWND first = ::GetDlgItem(dx.dialog, firstId);
  if (!first) {
    dx.failed = true;
    return;
  }
  if (dx.save) value = -1;
  // Walk the group: from the first button up to the next control with WS_GROUP.
  int index = 0;
  HWND ctl = first;
  do {
    if (::SendMessageW(ctl, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
      if (dx.save) {
        if (::SendMessageW(ctl, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
      } else {
        ::SendMessageW(ctl, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      ++index;
    }
    ctl = ::GetWindow(ctl, GW_HWNDNEXT);
  } while (ctl && !(::GetWindowLongW(ctl, GWL_STYLE) & WS_GROUP));
}

void DDX_ListIndex(DataExchange& dx, int id, int& value) {
  HWND ctl = ::GetDlgItem(dx.dialog, id);
  if (!ctl) {
    dx.failed = true;
    return;
  }
  if (dx.save) {
    const LRESULT sel = ::SendMessageW(ctl, LB_GETCURSEL, 0, 0);
    value = sel == LB_ERR ? -1 : static_cast<int>(sel);
  } else {
    ::SendMessageW(ctl, LB_SETCURSEL, static_cast<WPARAM>(value), 0);
  }
}

CDialog::CDialog(UINT templateId, HINSTANCE resources)
    : resources_(resources ? resources : ThisModule()), templateId_(templateId) {}

CDialog::~CDialog() {
  if (hwnd_ && ::IsWindow(hwnd_)) {
    HWND h = hwnd_;
    Detach();
    ::DestroyWindow(h);
  }
}

INT_PTR CDialog::DoModal(HWND parent) {
  if (hwnd_) return -1;
  modal_ = true;
  const INT_PTR result = ::DialogBoxParamW(resources_, MAKEINTRESOURCEW(templateId_), parent,
                                           &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
  modal_ = false;
  return result;
}

bool CDialog::CreateModeless(HWND parent) {
  if (hwnd_) return false;
  modal_ = false;
  HWND h = ::CreateDialogParamW(resources_, MAKEINTRESOURCEW(templateId_), parent, &CDialog::StaticDialogProc,
                                reinterpret_cast<LPARAM>(this));
  return h != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
  if (!hwnd_) return;
  if (modal_)
    ::EndDialog(hwnd_, result);
  else
    ::DestroyWindow(hwnd_);
}

bool CDialog::UpdateData(bool saveAndValidate) {
  if (!hwnd_) return false;
  DataExchange dx{hwnd_, saveAndValidate};
  DoDataExchange(dx);
  return !dx.failed;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(false);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT CDialog::DefaultProc(UINT, WPARAM, LPARAM) {
  // The dialog manager does the default work when the dialog procedure
  // reports a message as not handled.
  return 0;
}

bool CDialog::DispatchDialog(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (DispatchToMap(message, wParam, lParam, result)) return true;
  if (ReflectToChild(message, wParam, lParam, result)) return true;
  switch (message) {
    case WM_INITDIALOG:
      result = OnInitDialog();
      return true;
    case WM_COMMAND:
      if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
          OnOK();
          result = 0;
          return true;
        }
        if (LOWORD(wParam) == IDCANCEL) {
          OnCancel();
          result = 0;
          return true;
        }
      }
      return false;
    default:
      return false;
  }
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CDialog*>(FromHandle(hwnd));
  if (!self) {
    if (message != WM_INITDIALOG) return FALSE;
    self = reinterpret_cast<CDialog*>(lParam);
    if (!self) return FALSE;
    self->Attach(hwnd);
  }
  LRESULT result = 0;
  // Unhandled messages go to the dialog manager, which does the default work.
  if (!self->Dispatch(message, wParam, lParam, result, false)) return FALSE;
  switch (message) {
    // These return their result directly rather than through DWLP_MSGRESULT.
    case WM_INITDIALOG:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return static_cast<INT_PTR>(result);
    default:
      ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

}  // namespace fw
