#include "launcher/main_frame.h"

#include <commctrl.h>

#include "framework/handles.h"
#include "framework/text.h"
#include "launcher/about_dlg.h"
#include "launcher/family_entry.h"
#include "launcher/left_view.h"
#include "launcher/outside_programs.h"
#include "launcher/resource.h"
#include "launcher/settings_dlg.h"
#include "launcher/tobble_view.h"
#include "style/choose_style.h"

namespace {
constexpr int kButtonCount = 5;
// Pictures of the buttons 1000-1004 and of the banner 1005.
constexpr UINT kButtonBitmaps[kButtonCount + 1] = {141, 145, 144, 143, 192, 146};
constexpr BYTE kImageAboveText = 1;

HBITMAP LoadButtonBitmap(UINT id) {
  return static_cast<HBITMAP>(::LoadImageW(fw::ThisModule(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
}
}  // namespace

// ---------------------------------------------------------------- toolbar

const fw::MessageEntry CDialogBarEx::kMessageEntries[] = {
    SkinPaintEntry<CDialogBarEx>(),
    SkinEraseEntry<CDialogBarEx>(),
    fw::OnSize<&CDialogBarEx::OnSize>(),
};
const fw::MessageMap CDialogBarEx::kMessageMap = fw::MakeMessageMap(&fw::CDialogBar::kMessageMap, kMessageEntries);

CDialogBarEx::CDialogBarEx() : fw::CDialogBar(IDR_MAINFRAME) {}

BOOL CDialogBarEx::OnInitDialog() {
  fw::CDialogBar::OnInitDialog();
  for (int i = 0; i <= kButtonCount; ++i) buttons_[i].SubclassDlgItem(IDC_TOOL_START + i, hwnd_);
  SetStyle(style::CurrentStyle(), hwnd_);
  for (int i = 0; i < kButtonCount; ++i) {
    buttons_[i].SetBitmap(LoadButtonBitmap(kButtonBitmaps[i]));
    buttons_[i].imageAlignment = kImageAboveText;
    ::InvalidateRect(buttons_[i].hwnd(), nullptr, TRUE);
    buttons_[i].SetTransparent();
  }
  // The disabled banner shows its picture in full colour.
  CButtonST& bannerButton = buttons_[kButtonCount];
  bannerButton.keepTextColours = true;
  bannerButton.greyImageWhenDisabled = false;
  bannerButton.SetBitmap(LoadButtonBitmap(kButtonBitmaps[kButtonCount]));
  bannerButton.SetTransparent();

  // The banner sits at the right edge of the frame's client area when the bar
  // is made; it stays there when the frame is resized later.
  HWND banner = bannerButton.hwnd();
  HWND frame = ::GetParent(hwnd_);
  if (banner && frame) {
    RECT client{}, rc{};
    ::GetClientRect(frame, &client);
    ::GetWindowRect(banner, &rc);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    ::SetWindowPos(banner, nullptr, client.right - width, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(banner, nullptr, TRUE);
  }
  return TRUE;
}

void CDialogBarEx::OnSize(UINT, int, int) {
  // The picture is stretched anew over the new size: the buttons take their
  // background from it again, or they would show pieces of the old stretch.
  ::InvalidateRect(hwnd_, nullptr, TRUE);
  for (CButtonST& button : buttons_) button.SetTransparent();
}

// ---------------------------------------------------------------- status bar

const fw::MessageEntry CStatusBarEx::kMessageEntries[] = {
    fw::OnPaint<&CStatusBarEx::OnPaint>(),
    fw::OnMessage<&CStatusBarEx::OnEraseBackground>(WM_ERASEBKGND),
};
const fw::MessageMap CStatusBarEx::kMessageMap = fw::MakeMessageMap(&fw::CStatusBar::kMessageMap, kMessageEntries);

bool CStatusBarEx::CreateBar(HWND frame) {
  if (!Create(frame)) return false;
  SetStyle(style::CurrentStyle(), hwnd_);
  return true;
}

LRESULT CStatusBarEx::OnEraseBackground(WPARAM, LPARAM) { return TRUE; }

void CStatusBarEx::OnPaint() {
  fw::PaintDc paint(hwnd_);
  HDC dc = paint.get();
  RECT rc{};
  ::GetClientRect(hwnd_, &rc);
  // Without its picture the bar shows its usual face.
  PaintBackground(nullptr);
  if (hasPicture())
    PaintBackground(dc);
  else
    ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_3DFACE));
  const std::wstring text = fw::GetWindowTextString(hwnd_);
  // Draw with a copy of the bar's own font.
  HFONT barFont = reinterpret_cast<HFONT>(::SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  fw::UniqueFont font;
  if (barFont && ::GetObjectW(barFont, sizeof(lf), &lf)) font.reset(::CreateFontIndirectW(&lf));
  fw::ScopedSelect select(dc, font ? static_cast<HGDIOBJ>(font.get()) : nullptr);
  ::SetBkMode(dc, TRANSPARENT);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

// ---------------------------------------------------------------- splitter

void CSplitterWndEx::OnDrawSplitter(HDC dc, Element element, const RECT& rect) {
  if (!dc) {
    fw::CSplitterWnd::OnDrawSplitter(dc, element, rect);
    return;
  }
  if (element == Element::Bar) {
    DrawSplitterElement(dc, true, rect);
    return;
  }
  // The border: the gaps in the bar colour, a 3-D frame around each pane.
  DrawSplitterElement(dc, true, rect);
  for (int column = 0; column < columns(); ++column) {
    const fw::CWnd* pane = GetPane(0, column);
    if (!pane || !pane->hwnd()) continue;
    RECT r{};
    ::GetWindowRect(pane->hwnd(), &r);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    ::InflateRect(&r, 2 * ::GetSystemMetrics(SM_CXBORDER), 2 * ::GetSystemMetrics(SM_CYBORDER));
    DrawSplitterElement(dc, false, r);
  }
}

// ---------------------------------------------------------------- frame

const fw::MessageEntry CMainFrame::kMessageEntries[] = {
    fw::OnCreate<&CMainFrame::OnCreate>(),
    fw::OnPaint<&CMainFrame::OnPaint>(),
    fw::OnClose<&CMainFrame::OnClose>(),
    fw::OnDestroy<&CMainFrame::OnDestroy>(),
    fw::OnCommand<&CMainFrame::OnStart>(IDC_TOOL_START),
    fw::OnCommand<&CMainFrame::OnSettings>(IDC_TOOL_SETTINGS),
    fw::OnCommand<&CMainFrame::OnUpdate>(IDC_TOOL_UPDATE),
    fw::OnCommand<&CMainFrame::OnHelp>(IDC_TOOL_HELP),
    fw::OnCommand<&CMainFrame::OnAbout>(IDC_TOOL_ABOUT),
};
const fw::MessageMap CMainFrame::kMessageMap = fw::MakeMessageMap(&fw::CFrameWnd::kMessageMap, kMessageEntries);

bool CMainFrame::OnCreateClient(CREATESTRUCTW*) {
  if (!splitter_.CreateStatic(hwnd_, 2)) return false;
  splitter_.SetStyle(style::CurrentStyle(), nullptr);  // colours only
  const bool ok =
      splitter_.CreateView(0, [](HWND parent, UINT id, SIZE size) -> std::unique_ptr<fw::CWnd> {
        auto view = std::make_unique<CLeftView>();
        if (!view->Create(parent, id, size)) return nullptr;
        return view;
      }, SIZE{150, 100}) &&
      splitter_.CreateView(1, [](HWND parent, UINT id, SIZE size) -> std::unique_ptr<fw::CWnd> {
        auto view = std::make_unique<CTobbleView>();
        if (!view->Create(parent, id, size)) return nullptr;
        return view;
      }, SIZE{100, 100});
  if (!ok) {
    splitter_.DestroyWindow();
    return false;
  }
  auto* tree = static_cast<CLeftView*>(splitter_.GetPane(0, 0));
  auto* list = static_cast<CTobbleView*>(splitter_.GetPane(0, 1));
  tree->SetItemList(list);
  // The family dialog may be opened from the list or from the settings.
  launcher::SetFamilyChangedHandler([tree, list] {
    tree->RefreshFamily();
    list->RefreshFamily();
  });
  SetClient(splitter_.hwnd());
  return true;
}

int CMainFrame::OnCreate(CREATESTRUCTW*) {
  fadePending_ = true;
  fade_.Prepare(hwnd_, 0, 200);
  if (!toolBar_.Create(hwnd_, fw::Dock::Top)) return -1;
  if (!statusBar_.CreateBar(hwnd_)) return -1;
  AddBar(&toolBar_);
  AddBar(&statusBar_);
  statusBar_.SetText(fw::LoadResourceString(fw::ThisModule(), IDS_IDLE_PROMPT));
  return 0;
}

void CMainFrame::OnPaint() {
  { fw::PaintDc paint(hwnd_); }
  if (fadePending_) {
    fade_.SetStep(kWindowFadeStep);
    fade_.StartFadeIn();
    fadePending_ = false;
  }
}

void CMainFrame::OnClose() {
  fade_.FadeOut();
  launcher::CheckUpdateOnClose();
  ::DestroyWindow(hwnd_);
}

void CMainFrame::OnDestroy() {
  launcher::SetFamilyChangedHandler(nullptr);
  fade_.StopFade();
}

void CMainFrame::OnStart() {
  if (auto* view = dynamic_cast<CTobbleView*>(splitter_.GetPane(0, 1))) view->StartSelectedItem();
}

void CMainFrame::OnSettings() {
  CSettingDlg dialog;
  dialog.DoModal(hwnd_);
}

void CMainFrame::OnUpdate() { launcher::StartUpdater(); }
void CMainFrame::OnHelp() { launcher::OpenHelpPage(); }

void CMainFrame::OnAbout() {
  CAboutDlg dialog;
  dialog.DoModal(hwnd_);
}
