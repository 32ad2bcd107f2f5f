// End-to-end driver: starts the real programs in a scratch program folder and
// works them as a user would, through SendInput, and reads back windows,
// pixels, mutexes and files. Needs nothing but Windows, so the same tests run
// under Wine here and on a real Windows machine.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_folder.h"

namespace e2e {

// Folder of the built deliverables (the test program lies in tests-bin beside out).
std::wstring DeliverablesFolder();

// A scratch program folder holding copies of the deliverables; removed with
// everything in it afterwards.
class ProgramFolder : public TestFolder {
 public:
  ProgramFolder();  // copies every file of DeliverablesFolder()
};

// A started program; terminated on destruction if it still runs.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;

  // Starts `exe` with arguments, in `workDir` (empty: the exe's folder).
  static Process Start(const std::wstring& exe, const std::wstring& args = L"", const std::wstring& workDir = L"");
  bool started() const { return process_ != nullptr; }
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_; }
  // Waits for the end; true when it ended within the bound.
  bool WaitForExit(DWORD timeoutMs) const;
  bool running() const;
  DWORD exitCode() const;
  void Kill();

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// With BIMBLY_E2E_PAUSE_MS set, waits that long: keeps what a test built on
// screen, to look at it (for example with a screenshot).
void PauseForLooking();

// Polls `condition` every 50 ms until it holds or the bound passes.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Visible top-level windows of a process.
std::vector<HWND> TopLevelWindows(DWORD processId, bool visibleOnly = true);
// Waits for a visible top-level window of the process whose class is `className` (empty: any).
HWND WaitForTopLevelWindow(DWORD processId, const std::wstring& className, DWORD timeoutMs);
// First descendant window of the given class (and id, when not -1).
HWND FindDescendant(HWND parent, const std::wstring& className, int id = -1);

std::wstring WindowText(HWND hwnd);
std::wstring ClassName(HWND hwnd);
// The window that shows a board's background again under the board.
bool IsBoardBackdrop(HWND hwnd);
// A menu window that shows, of any thread (Wine may keep hidden ones), or null.
HWND VisibleMenu();
RECT WindowRectOf(HWND hwnd);
RECT ClientRectOnScreen(HWND hwnd);
COLORREF ScreenPixel(int x, int y);

bool MutexExists(const wchar_t* name);

// Input through SendInput.
void PressKey(WORD vk, bool extended = false);
void KeyDown(WORD vk, bool extended = false);
void KeyUp(WORD vk, bool extended = false);
void TypeText(const std::wstring& text);
void ClickAt(int x, int y, bool doubleClick = false, bool right = false);
void ClickWindowCentre(HWND hwnd, bool doubleClick = false);
// Brings a window to the foreground so that keys reach it.
void Focus(HWND hwnd);

// Cross-process reading of common controls.
std::vector<std::wstring> TreeItemTexts(HWND tree, bool expandedOnly = false);
bool SelectTreeItemByText(HWND tree, const std::wstring& text);
std::vector<std::wstring> ListItemTexts(HWND list);
bool SelectListItem(HWND list, int index);
POINT ListItemCentreOnScreen(HWND list, int index);

}  // namespace e2e
