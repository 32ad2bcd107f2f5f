#include "launcher/tobble_app.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "contracts/program_names.h"
#include "framework/text.h"
#include "gamehost/system/restore_record.h"
#include "launcher/main_frame.h"
#include "launcher/outside_programs.h"
#include "launcher/resource.h"
#include "launcher/version.h"
#include "speech/speech_worker.h"
#include "style/choose_style.h"

// Start-up in steps whose order matters: only the one launcher that runs
// repairs what a dead game left, and everything before the frame (controls,
// style, OLE, GDI+, speech) is in place before the frame's windows use it.
bool CTobbleApp::InitInstance() {
  // 1. One launcher at a time; a second one ends silently.
  if (!instanceMutex_.Take(contracts::kLauncherMutex)) return false;
  // A game that died with the launcher left the accessibility hot keys off
  // or the taskbar hidden: give them back before anything else.
  gamehost::RestoreAfterDeadGame(gamehost::RestoreRecordPath(), gamehost::ThisComputer());
  // An update cut off half-way: the helper puts the old files back and starts us again.
  if (launcher::HandOverCutOffUpdate()) return false;

  // 2. The first generation of common controls.
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = 8;
  icc.dwICC = 0xFF;
  ::InitCommonControlsEx(&icc);

  // 3. The style is fixed before any window exists.
  style::SetCurrentStyle(style::ChooseStyle());

  // 4. OLE for the main thread.
  if (FAILED(::OleInitialize(nullptr))) {
    const std::wstring text = fw::LoadResourceString(fw::ThisModule(), IDS_OLE_INIT_FAILED);
    ::MessageBoxW(nullptr, text.c_str(), L"Tobble", MB_OK | MB_ICONSTOP);
    return false;
  }
  oleInitialized_ = true;

  // 5. GDI+ once for the whole process, play modules included.
  gdiplus_ = std::make_unique<fw::GdiplusSession>();

  // 6. The speech worker; the launcher runs silently without it.
  speech::StartLauncherSpeech();

  // 7. Template, document and frame with its bars and views.
  AddDocTemplate(std::make_unique<fw::CSingleDocTemplate>(
      IDR_MAINFRAME, [] { return std::make_unique<CTobbleDoc>(); },
      [] { return std::make_unique<CMainFrame>(); }));
  if (!ProcessShellCommand(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN)) return false;

  // 8. "Bimbly " and the version.
  const std::wstring title = fw::LoadResourceString(fw::ThisModule(), IDS_TITLE_PREFIX) + launcher::GetVersionText();
  HWND frame = mainFrame()->hwnd();
  ::SetWindowTextW(frame, title.c_str());

  // 9. Show it; it fades in from its first paint.
  ::ShowWindow(frame, SW_SHOW);
  ::UpdateWindow(frame);
  return true;
}

int CTobbleApp::ExitInstance() {
  gdiplus_.reset();
  const int code = fw::CWinApp::ExitInstance();
  speech::StopLauncherSpeech();
  if (oleInitialized_) ::OleUninitialize();
  return code;
}
