#include "tests/e2e/game_session.h"
#include "gamehost/resource.h"

#include <tlhelp32.h>

namespace e2e {

GameSession::~GameSession() {
  PauseForLooking();
  // Leave no game behind: ending the launcher ends it.
  launcher.process.Kill();
  WaitUntil([] { return !MutexExists(L"TobbleBabyPlaying"); }, 10000);
}

HWND GameSession::WaitForNewBoard(HWND old, DWORD timeoutMs) const {
  HWND now = nullptr;
  WaitUntil(
      [&] {
        now = Board();
        return now && now != old && ::IsWindowVisible(now);
      },
      timeoutMs);
  return now != old ? now : nullptr;
}

bool GameSession::StartItem(const std::wstring& category, int index) {
  if (!launcher.ClickItem(category, index, /*doubleClick=*/true)) return false;
  WaitUntil(
      [&] {
        for (HWND h : TopLevelWindows(launcher.process.id())) {
          if (h != launcher.frame && ClassName(h) == L"#32770" && (::GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST)) {
            game = h;
            return true;
          }
        }
        return false;
      },
      10000);
  return game && WaitUntil([&] { return Board() != nullptr; }, 10000);
}

HWND GameSession::Board() const {
  for (HWND h : TopLevelWindows(launcher.process.id())) {
    if (::GetWindow(h, GW_OWNER) == game && ClassName(h) != L"#32770" && !IsBoardBackdrop(h)) return h;
  }
  return nullptr;
}

long GameSession::BoardKeyDowns() const {
  HWND b = Board();
  return b ? static_cast<long>(reinterpret_cast<LONG_PTR>(::GetPropW(b, L"Bimbly.KeyDowns"))) : -1;
}

UINT GameSession::BoardLastKey() const {
  HWND b = Board();
  return b ? static_cast<UINT>(reinterpret_cast<ULONG_PTR>(::GetPropW(b, L"Bimbly.LastKey"))) : 0;
}

HWND GameSession::ExitDialog() const {
  for (HWND h : TopLevelWindows(launcher.process.id())) {
    if (h != game && ClassName(h) == L"#32770" && ::GetDlgItem(h, IDC_EXIT_EDIT)) return h;
  }
  return nullptr;
}

int BoardItemIndex(HWND board) {
  if (!board) return -1;
  return static_cast<int>(reinterpret_cast<LONG_PTR>(::GetPropW(board, L"Bimbly.ItemIndex")));
}

bool ProcessHasModule(DWORD processId, const std::wstring& fileName) {
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
  if (snap == INVALID_HANDLE_VALUE) return false;
  MODULEENTRY32W me{};
  me.dwSize = sizeof(me);
  bool found = false;
  for (BOOL ok = ::Module32FirstW(snap, &me); ok && !found; ok = ::Module32NextW(snap, &me))
    found = _wcsicmp(me.szModule, fileName.c_str()) == 0;
  ::CloseHandle(snap);
  return found;
}

bool GameSession::LeaveWithExitWord() {
  Focus(game);
  PressKey(VK_ESCAPE);
  HWND dlg = nullptr;
  if (!WaitUntil([&] { return (dlg = ExitDialog()) != nullptr; }, 5000)) return false;
  ::Sleep(200);
  TypeText(L"exit");
  PressKey(VK_RETURN);
  return WaitForGameEnd(5000);
}

bool GameSession::WaitForGameEnd(DWORD timeoutMs) {
  return WaitUntil([&] { return !::IsWindow(game) && !MutexExists(L"TobbleBabyPlaying"); }, timeoutMs);
}

}  // namespace e2e
