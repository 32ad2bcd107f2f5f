#include "updater/update/update_dialogs.h"

#include <commctrl.h>

#include "framework/text.h"
#include "style/choose_style.h"
#include "updater/update/resource.h"

namespace {
constexpr UINT_PTR kPollTimer = 0;
constexpr UINT kPollPeriodMs = 500;
constexpr int kFadeStep = 15;

// Labels over the picture: transparent text on the hollow brush.
LRESULT TransparentLabel(WPARAM wParam) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  ::SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(::GetStockObject(HOLLOW_BRUSH));
}
}  // namespace

// ---------------------------------------------------------------- about box

const fw::MessageEntry CAboutDlg::kMessageEntries[] = {
    fw::OnMessage<&CAboutDlg::OnEraseBackground>(WM_ERASEBKGND),
    fw::OnMessage<&CAboutDlg::OnControlColour>(WM_CTLCOLORSTATIC),
};
const fw::MessageMap CAboutDlg::kMessageMap = fw::MakeMessageMap(&fw::CDialog::kMessageMap, kMessageEntries);

CAboutDlg::CAboutDlg(int style, HICON icon) : fw::CDialog(IDD_UPDATE_ABOUT), style_(style), icon_(icon) {}

BOOL CAboutDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  SetTransparentButton(Item(IDOK));
  HWND picture = Item(IDC_ABOUT_PICTURE);
  ::SendMessageW(picture, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon_));
  SetTransparentButton(picture);
  skin_.SetStyle(style_, hwnd_);
  fade_.Prepare(hwnd_, 0, 200);
  fade_.SetStep(kFadeStep);
  fade_.StartFadeIn();
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

LRESULT CAboutDlg::OnEraseBackground(WPARAM wParam, LPARAM) {
  if (skin_.PaintBackground(reinterpret_cast<HDC>(wParam))) return TRUE;
  RECT rc{};
  ::GetClientRect(hwnd_, &rc);
  ::FillRect(reinterpret_cast<HDC>(wParam), &rc, ::GetSysColorBrush(COLOR_BTNFACE));
  return TRUE;
}

LRESULT CAboutDlg::OnControlColour(WPARAM wParam, LPARAM) { return TransparentLabel(wParam); }

// ---------------------------------------------------------------- consent prompt

CCloseMainDlg::CCloseMainDlg() : fw::CDialog(IDD_CLOSE_MAIN) {}

// ---------------------------------------------------------------- progress dialog

const fw::MessageEntry CUpdateDlg::kMessageEntries[] = {
    fw::OnTimer<&CUpdateDlg::OnTimer>(),
    fw::OnClose<&CUpdateDlg::OnClose>(),
    fw::OnPaint<&CUpdateDlg::OnPaint>(),
    fw::OnMessage<&CUpdateDlg::OnEraseBackground>(WM_ERASEBKGND),
    fw::OnMessage<&CUpdateDlg::OnControlColour>(WM_CTLCOLORSTATIC),
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
  icon_ = ::LoadIconW(fw::ThisModule(), MAKEINTRESOURCEW(IDI_UPDATE));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  ::SendDlgItemMessageW(hwnd_, IDC_UPDATE_PROGRESS, PBM_SETRANGE32, 0, 100);
  SetTransparentButton(Item(IDCANCEL));
  ::SetTimer(hwnd_, kPollTimer, kPollPeriodMs, nullptr);
  style_ = style::ChooseStyle();
  skin_.SetStyle(style_, hwnd_);
  fade_.Prepare(hwnd_, 0, 200);
  fade_.SetStep(kFadeStep);
  fade_.StartFadeIn();
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
  if (::IsIconic(hwnd_)) {
    skin_.PaintBackground(dc.get());
    RECT rc{};
    ::GetClientRect(hwnd_, &rc);
    const int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
    ::DrawIcon(dc.get(), (rc.right - cx + 1) / 2, (rc.bottom - cy + 1) / 2, icon_);
  }
}

LRESULT CUpdateDlg::OnEraseBackground(WPARAM wParam, LPARAM) {
  if (skin_.PaintBackground(reinterpret_cast<HDC>(wParam))) return TRUE;
  RECT rc{};
  ::GetClientRect(hwnd_, &rc);
  ::FillRect(reinterpret_cast<HDC>(wParam), &rc, ::GetSysColorBrush(COLOR_BTNFACE));
  return TRUE;
}

LRESULT CUpdateDlg::OnControlColour(WPARAM wParam, LPARAM) { return TransparentLabel(wParam); }

LRESULT CUpdateDlg::OnSysCommand(WPARAM wParam, LPARAM lParam) {
  if ((wParam & 0xFFF0) == IDM_ABOUT_UPDATE) {
    CAboutDlg about(style_, icon_);
    about.DoModal(hwnd_);
    return 0;
  }
  return ::DefWindowProcW(hwnd_, WM_SYSCOMMAND, wParam, lParam);
}

LRESULT CUpdateDlg::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(icon_); }
