#include "style/about_box.h"

#include <utility>

#include "framework/text.h"

const fw::MessageEntry CAboutBox::kMessageEntries[] = {
    SkinPaintEntry<CAboutBox>(),
    SkinEraseEntry<CAboutBox>(),
    SkinCtlColorEntry<CAboutBox>(),
};
const fw::MessageMap CAboutBox::kMessageMap = fw::MakeMessageMap(&fw::CDialog::kMessageMap, kMessageEntries);

CAboutBox::CAboutBox(Parts parts) : fw::CDialog(parts.templateId), parts_(std::move(parts)) {}

BOOL CAboutBox::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  okButton_.SubclassDlgItem(IDOK, hwnd_);
  pictureButton_.SubclassDlgItem(parts_.pictureId, hwnd_);
  if (parts_.versionLabelId) {
    HWND label = Item(parts_.versionLabelId);
    const std::wstring text = fw::GetWindowTextString(label) + parts_.versionText;
    ::SetWindowTextW(label, text.c_str());
  }
  okButton_.SetTransparent();
  // The disabled picture button shows the program's icon in full colour.
  pictureButton_.keepTextColours = 1;
  pictureButton_.greyImageWhenDisabled = 0;
  pictureButton_.SetIcon(parts_.icon);
  pictureButton_.SetTransparent();
  SetStyle(parts_.style, hwnd_);
  fade_.FadeIn(hwnd_);
  return TRUE;
}

void CAboutBox::OnOK() {
  fade_.FadeOut();
  EndDialog(IDOK);
}

void CAboutBox::OnCancel() {
  fade_.FadeOut();
  EndDialog(IDCANCEL);
}
