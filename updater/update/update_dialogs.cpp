#include "updater/update/update_dialogs.h"

#include <commctrl.h>

#include "framework/text.h"
#include "style/choose_style.h"
#include "updater/update/resource.h"

namespace {
constexpr UINT_PTR kPollTimer = 0;
constexpr UINT kPollPeriodMs = 500;

HICON LoadProgramIcon() {
  return static_cast<HICON>(
      ::LoadImageW(fw::ThisModule(), MAKEINTRESOURCEW(IDI_UPDATE), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
}
}  // namespace

// ---------------------------------------------------------------- about box

CAboutDlg::CAboutDlg(int style)
    : CAboutBox([style] {
        CAboutBox::Parts parts;
        parts.templateId = IDD_UPDATE_ABOUT;
        parts.pictureId = IDC_ABOUT_PICTURE;
        parts.icon = LoadProgramIcon();
        parts.style = style;
        return parts;
      }()) {}

// ---------------------------------------------------------------- consent prompt

CCloseMainDlg::CCloseMainDlg() : fw::CDialog(IDD_CLOSE_MAIN) {}

// ---------------------------------------------------------------- progress dialog

const fw::MessageEntry CUpdateDlg::kMessageEntries[] = {
    fw::OnTimer<&CUpdateDlg::OnTimer>(),
    fw::OnClose<&CUpdateDlg::OnClose>(),
    fw::OnPaint<&CUpdateDlg::OnPaint>(),
    SkinEraseEntry<CUpdateDlg>(),
    SkinCtlColorEntry<CUpdateDlg>(),
    fw::OnMessage<&CUpdateDlg::OnSysCommand>(WM_SYSCOMMAND),
    fw::OnMessage<&CUpdateDlg::OnQueryDragIcon>(WM_QUERYDRAGICON),
};
const fw::MessageMap CUpdateDlg::kMessageMap = fw::MakeMessageMap(&fw::CDialog::kMessageMap, kMessageEntries);

CUpdateDlg::CUpdateDlg(UpdateJob* job) : fw::CDialog(IDD_UPDATE), job_(job) {}

BOOL CUpdateDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  job_->mainWindow = hwnd_;
  HMENU sys = ::GetSystemMenu(hwnd_, FALSE);
  const std::wstring about = fw::LoadResourceString(fw::ThisModule(), IDS_ABOUT_UPDATE);
  if (sys && !about.empty()) {
    ::AppendMenuW(sys, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(sys, MF_STRING, IDM_ABOUT_UPDATE, about.c_str());
  }
  icon_.reset(LoadProgramIcon());
  ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
  ::SendDlgItemMessageW(hwnd_, IDC_UPDATE_PROGRESS, PBM_SETRANGE32, 0, 100);
  cancelButton_.SubclassDlgItem(IDCANCEL, hwnd_);
  cancelButton_.SetTransparent();
  ::SetTimer(hwnd_, kPollTimer, kPollPeriodMs, nullptr);
  style_ = style::ChooseStyle();
  style::SetCurrentStyle(style_);
  SetStyle(style_, hwnd_);
  fade_.FadeIn(hwnd_);
  return TRUE;
}

void CUpdateDlg::OnTimer(UINT_PTR) {
  const JobStatus now = job_->Status();
  if (now.status == shownStatus_ && now.detail == shownDetail_ && now.progress == shownProgress_) return;
  shownStatus_ = now.status;
  shownDetail_ = now.detail;
  shownProgress_ = now.progress;
  status_ = now.status;
  detail_ = now.detail;
  ::SendDlgItemMessageW(hwnd_, IDC_UPDATE_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(now.progress), 0);
  ::SetDlgItemTextW(hwnd_, IDC_UPDATE_STATUS, status_.c_str());
  ::SetDlgItemTextW(hwnd_, IDC_UPDATE_DETAIL, detail_.c_str());
  // The labels have no background of their own: repaint the picture behind them.
  for (int id : {IDC_UPDATE_STATUS, IDC_UPDATE_DETAIL}) {
    RECT rc{};
    ::GetWindowRect(Item(id), &rc);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
    ::InvalidateRect(hwnd_, &rc, TRUE);
  }
}

void CUpdateDlg::OnCancel() {
  job_->Cancel();
  fade_.FadeOut();
  EndDialog(IDCANCEL);
}

void CUpdateDlg::OnClose() {
  ::KillTimer(hwnd_, kPollTimer);
  OnCancel();
}

void CUpdateDlg::OnPaint() {
  fw::PaintDc dc(hwnd_);
  PaintBackground(dc.get());
  if (::IsIconic(hwnd_)) {
    RECT rc{};
    ::GetClientRect(hwnd_, &rc);
    const int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
    ::DrawIcon(dc.get(), (rc.right - cx + 1) / 2, (rc.bottom - cy + 1) / 2, icon_.get());
  }
}

LRESULT CUpdateDlg::OnSysCommand(WPARAM wParam, LPARAM lParam) {
  if ((wParam & 0xFFF0) == IDM_ABOUT_UPDATE) {
    CAboutDlg about(style_);
    about.DoModal(hwnd_);
    return 0;
  }
  return ::DefWindowProcW(hwnd_, WM_SYSCOMMAND, wParam, lParam);
}

LRESULT CUpdateDlg::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(icon_.get()); }
