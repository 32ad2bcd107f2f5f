#include "launcher/about_dlg.h"

#include "framework/text.h"
#include "launcher/resource.h"
#include "launcher/version.h"
#include "style/choose_style.h"

namespace {
CAboutBox::Parts LauncherAbout() {
  CAboutBox::Parts parts;
  parts.templateId = IDD_ABOUTBOX;
  parts.pictureId = IDC_ABOUT_ICON;
  parts.icon = static_cast<HICON>(
      ::LoadImageW(fw::ThisModule(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  parts.versionLabelId = IDC_ABOUT_VERSION;
  parts.versionText = launcher::GetVersionText();
  parts.style = style::CurrentStyle();
  return parts;
}
}  // namespace

CAboutDlg::CAboutDlg() : CAboutBox(LauncherAbout()) {}
