#include "gamehost/reminder.h"

#include <string>

#include "framework/text.h"
#include "toolkit/base_object_wnd.h"

namespace gamehost {

namespace {

constexpr int kMovingLeft = 2;

// A window manager that raises an owner over its owned pop-ups (Wine does
// when the game window is first shown) is answered at the next step; above
// its owner already, the reminder keeps its place.
void KeepAboveOwner(HWND hwnd) {
  HWND owner = hwnd ? ::GetWindow(hwnd, GW_OWNER) : nullptr;
  // A disabled owner has the exit dialog over it: that one keeps the top.
  if (!owner || !::IsWindowEnabled(owner)) return;
  for (HWND below = ::GetWindow(hwnd, GW_HWNDNEXT); below; below = ::GetWindow(below, GW_HWNDNEXT))
    if (below == owner) return;
  ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

class ReminderObject : public CBaseObjectWnd {
 public:
  // Made and ended from the game's thread, which runs the keyboard lock's
  // low-level hook: it goes on answering meanwhile.
  explicit ReminderObject(bool keepAboveOwner) : keepAboveOwner_(keepAboveOwner) { ServeSentMessagesWhileWaiting(); }
  ~ReminderObject() override { DestroyImageWindow(); }

 protected:
  void OnTick(DWORD now, bool* redraw) override {
    const LONG steps = stepCount();
    CBaseObjectWnd::OnTick(now, redraw);
    if (keepAboveOwner_ && stepCount() != steps) KeepAboveOwner(hwnd_);
  }

 private:
  const bool keepAboveOwner_;
};

void SetUpMotion(ReminderObject& object) {
  object.PlaceForDirection(kMovingLeft);
  object.draggable = true;
  object.turnAtBottom = false;
  object.turnAtTop = false;
  object.turnAtRight = true;
  object.turnAtLeft = false;
}

}  // namespace

std::unique_ptr<CImageWnd> CreateReminder(HWND owner, const wchar_t* resourceName, HINSTANCE module,
                                          bool keepAboveOwner) {
  auto object = std::make_unique<ReminderObject>(keepAboveOwner);
  // A picture that does not load or a window that does not come leaves an
  // object that shows nothing; the game goes on. The picture is decoded on
  // the window's own thread, not the game's.
  const std::string name = fw::WideToGbk(resourceName ? resourceName : L"");
  if (!object->StartImageWindow(owner, name.c_str(), module) || !object->FinishImageWindow()) return object;
  SetUpMotion(*object);
  // Never activated: the keys belong to the game window.
  ::ShowWindow(object->hwnd(), SW_SHOWNA);
  if (keepAboveOwner) KeepAboveOwner(object->hwnd());
  // A layered window is drawn by its own paint only: have it painted now.
  object->Invalidate();
  return object;
}

}  // namespace gamehost
