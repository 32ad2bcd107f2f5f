#include "framework/app.h"

#include "framework/text.h"

namespace fw {
namespace {
CWinApp* g_app = nullptr;  // the one application object of the process
}

CFrameWnd* CSingleDocTemplate::OpenNewDocument(DWORD frameStyle) {
  if (frame_) return frame_.get();
  auto doc = newDocument_ ? newDocument_() : nullptr;
  if (!doc || !doc->OnNewDocument()) return nullptr;
  auto frame = newFrame_ ? newFrame_() : nullptr;
  if (!frame) return nullptr;
  // Document string: "Title\nDocName\n...": the frame's first title is its first field.
  std::wstring docString = LoadResourceString(ThisModule(), resourceId_);
  const auto end = docString.find(L'\n');
  const std::wstring title = docString.substr(0, end);
  HICON icon = ::LoadIconW(ThisModule(), MAKEINTRESOURCEW(resourceId_));
  document_ = std::move(doc);
  if (!frame->Create(title.c_str(), frameStyle, icon)) {
    document_.reset();
    return nullptr;
  }
  frame_ = std::move(frame);
  return frame_.get();
}

void CSingleDocTemplate::Close() {
  frame_.reset();
  document_.reset();
}

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::Current() { return g_app; }

CSingleDocTemplate* CWinApp::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> tmpl) {
  docTemplate_ = std::move(tmpl);
  return docTemplate_.get();
}

bool CWinApp::ProcessShellCommand(DWORD frameStyle) {
  if (!docTemplate_) return false;
  return docTemplate_->OpenNewDocument(frameStyle) != nullptr;
}

int CWinApp::Run() {
  MSG msg;
  for (;;) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      exitCode_ = static_cast<int>(msg.wParam);
      break;
    }
    if (got == -1) {
      exitCode_ = 1;
      break;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  if (docTemplate_) docTemplate_->Close();
  return exitCode_;
}

int RunApplication(CWinApp& app, HINSTANCE instance) {
  app.SetInstance(instance);
  if (!app.InitInstance()) return app.ExitInstance();
  app.Run();
  return app.ExitInstance();
}

bool CControlView::CreateControl(const wchar_t* controlClass, HWND parent, UINT id, DWORD style, DWORD exStyle,
                                 SIZE initial) {
  HWND h = ::CreateWindowExW(exStyle, controlClass, L"", style | WS_CHILD | WS_VISIBLE, 0, 0, initial.cx,
                             initial.cy, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ThisModule(),
                             nullptr);
  if (!h) return false;
  if (!SubclassControl(h)) {
    ::DestroyWindow(h);
    return false;
  }
  OnInitialUpdate();
  return true;
}

}  // namespace fw
