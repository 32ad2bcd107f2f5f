// A launcher started in a scratch program folder, with its main window parts.
#pragma once

#include <windows.h>

#include <string>

#include "tests/e2e/driver.h"

namespace e2e {

class LauncherSession {
 public:
  explicit LauncherSession(const ProgramFolder& folder, const std::wstring& workDir = L"");
  // A launcher that lies elsewhere (an installed one), started from its path.
  explicit LauncherSession(const std::wstring& exe, const std::wstring& workDir = L"");
  ~LauncherSession();
  bool ok() const { return frame != nullptr && tree != nullptr && list != nullptr; }

  // Selects a category by its (wide) name and waits for the list to fill.
  bool SelectCategory(const std::wstring& name);
  // Selects a category and clicks (or double-clicks) entry `index` of its list.
  bool ClickItem(const std::wstring& category, int index, bool doubleClick);
  // The message box the launcher shows, if any, and its text.
  HWND WaitForMessageBox(DWORD timeoutMs) const;
  static std::wstring MessageBoxText(HWND box);
  // Waits for the launcher and its mutex to go away after a close or kill.
  void Close();

  Process process;
  HWND frame = nullptr;
  HWND toolbar = nullptr;
  HWND tree = nullptr;
  HWND list = nullptr;
  HWND status = nullptr;
};

// Names as the user sees them.
inline const wchar_t kCardsCategory[] = L"\u56FE\u5361";   // 图卡
inline const wchar_t kMusicCategory[] = L"\u97F3\u4E50";   // 音乐
inline const wchar_t kSelectFirstMessage[] =
    L"\u8BF7\u60A8\u5148\u5728\u53F3\u4FA7\u7684\u5217\u8868\u9009\u62E9\u8981\u542F\u52A8\u7684\u9879\u3002";

}  // namespace e2e
