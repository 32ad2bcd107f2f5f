#include "tests/e2e/launcher_session.h"
#include "launcher/resource.h"

#include <commctrl.h>

#include "tests/support/test_folder.h"

namespace e2e {
namespace {

// Every launcher a test program starts inherits an empty APPDATA of its own,
// so family cards a developer added in this prefix never change the tree the
// tests expect. A test about the cards sets its own for its launchers.
struct EmptyFamilyData {
  TestFolder folder{L"bimbly-appdata-"};
  EmptyFamilyData() { ::SetEnvironmentVariableW(L"APPDATA", folder.path().c_str()); }
};
const EmptyFamilyData emptyFamilyData;

}  // namespace

LauncherSession::LauncherSession(const ProgramFolder& folder, const std::wstring& workDir)
    : LauncherSession(folder.File(L"Tobble.exe"), workDir) {}

LauncherSession::LauncherSession(const std::wstring& exe, const std::wstring& workDir) {
  process = Process::Start(exe, L"", workDir);
  if (!process.started()) return;
  frame = WaitForTopLevelWindow(process.id(), L"fw.Frame", 20000);
  if (!frame) return;
  HWND start = FindDescendant(frame, L"Button", IDC_TOOL_START);
  toolbar = start ? ::GetParent(start) : nullptr;
  tree = FindDescendant(frame, WC_TREEVIEWW);
  list = FindDescendant(frame, WC_LISTVIEWW);
  status = FindDescendant(frame, STATUSCLASSNAMEW);
}

LauncherSession::~LauncherSession() {
  if (process.running()) PauseForLooking();
  Close();
}

void LauncherSession::Close() {
  if (process.running()) {
    ::PostMessageW(frame, WM_CLOSE, 0, 0);
    if (!process.WaitForExit(5000)) process.Kill();
  }
  WaitUntil([] { return !MutexExists(L"TobbleBabyMain"); }, 10000);
}

bool LauncherSession::SelectCategory(const std::wstring& name) {
  if (!SelectTreeItemByText(tree, name)) return false;
  ::Sleep(100);
  return true;
}

bool LauncherSession::ClickItem(const std::wstring& category, int index, bool doubleClick) {
  if (!ok() || !SelectCategory(category)) return false;
  const POINT pt = ListItemCentreOnScreen(list, index);
  if (pt.x < 0) return false;
  Focus(frame);
  ClickAt(pt.x, pt.y, doubleClick);
  return true;
}

HWND LauncherSession::WaitForMessageBox(DWORD timeoutMs) const {
  HWND box = nullptr;
  WaitUntil(
      [&] {
        for (HWND h : TopLevelWindows(process.id())) {
          if (ClassName(h) == L"#32770" && ::GetWindow(h, GW_OWNER) == frame) {
            box = h;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return box;
}

std::wstring LauncherSession::MessageBoxText(HWND box) {
  HWND text = ::GetDlgItem(box, 0xFFFF);
  return text ? WindowText(text) : std::wstring();
}

}  // namespace e2e
