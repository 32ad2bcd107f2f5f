#include "gamehost/system/taskbar.h"

#include <shellapi.h>

namespace gamehost {

namespace {

class SystemShell final : public ITaskbarShell {
 public:
  HWND FindTaskbar() override { return ::FindWindowA("Shell_TrayWnd", nullptr); }

  UINT GetState(HWND taskbar) override {
    APPBARDATA data = Request(taskbar);
    return static_cast<UINT>(::SHAppBarMessage(ABM_GETSTATE, &data));
  }

  void SetState(HWND taskbar, UINT state) override {
    APPBARDATA data = Request(taskbar);
    data.lParam = state;
    ::SHAppBarMessage(ABM_SETSTATE, &data);  // the result tells nothing useful
  }

 private:
  // Everything zero but the size and the taskbar window.
  static APPBARDATA Request(HWND taskbar) {
    APPBARDATA data{};
    data.cbSize = sizeof(data);
    data.hWnd = taskbar;
    return data;
  }
};

}  // namespace

ITaskbarShell& SystemTaskbarShell() {
  static SystemShell shell;
  return shell;
}

bool IsTaskbarAutoHide(ITaskbarShell& shell) {
  HWND taskbar = shell.FindTaskbar();
  return taskbar && (shell.GetState(taskbar) & ABS_AUTOHIDE) != 0;
}

void SetTaskbarAutoHide(bool on, ITaskbarShell& shell) {
  HWND taskbar = shell.FindTaskbar();
  if (!taskbar) return;
  const UINT state = shell.GetState(taskbar);
  // Always-on-top and any other bit go back unchanged. Cleared, never
  // toggled: toggling would switch auto-hide on for good if anything had
  // switched it off during the game.
  const UINT wanted = on ? (state | ABS_AUTOHIDE) : (state & ~static_cast<UINT>(ABS_AUTOHIDE));
  if (wanted != state) shell.SetState(taskbar, wanted);
}

}  // namespace gamehost
