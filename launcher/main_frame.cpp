#include "launcher/main_frame.h"

#include <commctrl.h>

#include "framework/handles.h"
#include "framework/text.h"
#include "launcher/left_view.h"
#include "launcher/resource.h"
#include "launcher/tobble_view.h"

namespace {
constexpr int kFadeStep = 15;
}

// ---------------------------------------------------------------- toolbar

CDialogBarEx::CDialogBarEx() : fw::CDialogBar(IDR_MAINFRAME) {}

BOOL CDialogBarEx::OnInitDialog() {
  fw::CDialogBar::OnInitDialog();
  // The banner sits at the right edge of the frame's client area when the bar
  // is made; it stays there when the frame is resized later.
  HWND banner = Item(IDC_TOOL_BANNER);
  HWND frame = ::GetParent(hwnd_);
  if (banner && frame) {
    RECT client{}, rc{};
    ::GetClientRect(frame, &client);
    ::GetWindowRect(banner, &rc);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    ::SetWindowPos(banner, nullptr, client.right - width, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return TRUE;
}

// ---------------------------------------------------------------- status bar

const fw::MessageEntry CStatusBarEx::kMessageEntries[] = {
    fw::OnPaint<&CStatusBarEx::OnPaint>(),
    fw::OnMessage<&CStatusBarEx::OnEraseBackground>(WM_ERASEBKGND),
};
const fw::MessageMap CStatusBarEx::kMessageMap = fw::MakeMessageMap(&fw::CStatusBar::kMessageMap, kMessageEntries);

LRESULT CStatusBarEx::OnEraseBackground(WPARAM, LPARAM) { return TRUE; }

void CStatusBarEx::OnPaint() {
  fw::PaintDc paint(hwnd_);
  HDC dc = paint.get();
  RECT rc{};
  ::GetClientRect(hwnd_, &rc);
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
  tree->SetItemList(static_cast<CTobbleView*>(splitter_.GetPane(0, 1)));
  SetClient(splitter_.hwnd());
  return true;
}

int CMainFrame::OnCreate(CREATESTRUCTW*) {
  fadePending_ = true;
  fade_.Prepare(hwnd_, 0, 200);
  if (!toolBar_.Create(hwnd_, fw::Dock::Top)) return -1;
  if (!statusBar_.Create(hwnd_)) return -1;
  AddBar(&toolBar_);
  AddBar(&statusBar_);
  statusBar_.SetText(fw::LoadResourceString(fw::ThisModule(), IDS_IDLE_PROMPT));
  return 0;
}

void CMainFrame::OnPaint() {
  { fw::PaintDc paint(hwnd_); }
  if (fadePending_) {
    fade_.SetStep(kFadeStep);
    fade_.StartFadeIn();
    fadePending_ = false;
  }
}

void CMainFrame::OnClose() {
  fade_.FadeOut();
  ::DestroyWindow(hwnd_);
}

void CMainFrame::OnDestroy() { fade_.StopFade(); }

void CMainFrame::OnStart() {
  if (auto* view = dynamic_cast<CTobbleView*>(splitter_.GetPane(0, 1))) view->StartSelectedItem();
}

void CMainFrame::OnSettings() {}
void CMainFrame::OnUpdate() {}
void CMainFrame::OnHelp() {}
void CMainFrame::OnAbout() {}
