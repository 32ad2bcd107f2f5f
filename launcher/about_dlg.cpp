#include "launcher/about_dlg.h"

#include "framework/text.h"
#include "launcher/resource.h"
#include "launcher/version.h"
#include "style/choose_style.h"

const fw::MessageEntry CAboutDlg::kMessageEntries[] = {
    SkinPaintEntry<CAboutDlg>(),
    SkinEraseEntry<CAboutDlg>(),
    SkinCtlColorEntry<CAboutDlg>(),
};
const fw::MessageMap CAboutDlg::kMessageMap = fw::MakeMessageMap(&fw::CDialog::kMessageMap, kMessageEntries);

CAboutDlg::CAboutDlg() : fw::CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  versionLabel_ = Item(IDC_ABOUT_VERSION);
  okButton_.SubclassDlgItem(IDOK, hwnd_);
  iconButton_.SubclassDlgItem(IDC_ABOUT_ICON, hwnd_);

  const std::wstring text = fw::GetWindowTextString(versionLabel_) + launcher::GetVersionText();
  ::SetWindowTextW(versionLabel_, text.c_str());

  okButton_.SetTransparent();
  // The disabled picture button shows the program's icon in full colour.
  iconButton_.keepTextColours = 1;
  iconButton_.greyImageWhenDisabled = 0;
  iconButton_.SetIcon(static_cast<HICON>(
      ::LoadImageW(fw::ThisModule(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
  iconButton_.SetTransparent();

  SetStyle(style::CurrentStyle(), hwnd_);
  fade_.FadeIn(hwnd_);
  return TRUE;
}

void CAboutDlg::OnOK() {
  fade_.FadeOut();
  EndDialog(IDOK);
}

void CAboutDlg::OnCancel() {
  fade_.FadeOut();
  EndDialog(IDCANCEL);
}
