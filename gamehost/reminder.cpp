#include "gamehost/reminder.h"

#include <cstdlib>

// The moving on-screen object of the toolkit carries the reminder where it is
// built in; until then a small object of this file moves by the same rules.
#if __has_include("toolkit/base_object_wnd.h")
#include "toolkit/base_object_wnd.h"
#define BIMBLY_REMINDER_OBJECT_WINDOW 1
#else
#include "toolkit/image_wnd.h"
#define BIMBLY_REMINDER_OBJECT_WINDOW 0
#endif

namespace gamehost {

namespace {

constexpr int kMovingLeft = 2;

// The reminder stays above its owner. Over a board the board keeps what it
// owns above itself (the game window asks it to whenever it is raised). Over
// the game window alone (the time is up) a window manager that raises the
// owner over its owned pop-ups (Wine does when the game window is first shown)
// is answered at the next step; above its owner already, it keeps its place.
void KeepAboveOwner(HWND hwnd) {
  HWND owner = hwnd ? ::GetWindow(hwnd, GW_OWNER) : nullptr;
  // A disabled owner has the exit dialog over it: that one keeps the top.
  if (!owner || !::IsWindowEnabled(owner)) return;
  wchar_t ownerClass[16] = L"";
  ::GetClassNameW(owner, ownerClass, 16);
  if (lstrcmpW(ownerClass, L"#32770") != 0) return;
  for (HWND below = ::GetWindow(hwnd, GW_HWNDNEXT); below; below = ::GetWindow(below, GW_HWNDNEXT))
    if (below == owner) return;
  ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

#if BIMBLY_REMINDER_OBJECT_WINDOW

class CReminderObject : public CBaseObjectWnd {
 public:
  ~CReminderObject() override { DestroyImageWindow(); }

 protected:
  void OnTick(DWORD now, bool* redraw) override {
    const LONG steps = stepCount();
    CBaseObjectWnd::OnTick(now, redraw);
    if (stepCount() != steps) KeepAboveOwner(hwnd_);
  }
};

using ReminderObject = CReminderObject;

void SetUpMotion(ReminderObject& object) {
  object.PlaceForDirection(kMovingLeft);
  object.draggable = true;
  object.turnAtBottom = false;
  object.turnAtTop = false;
  object.turnAtRight = true;
  object.turnAtLeft = false;
}

#else

// Moves leftwards only, at the object window's pace: a step at most every
// 50 ms, starting at 30 pixels and one pixel shorter each step down to 3;
// having left at the left edge it re-enters at the right edge at a random
// height of the screen.
class CReminderWnd : public CImageWnd {
 public:
  ~CReminderWnd() override { DestroyImageWindow(); }

  void PlaceForDirection(int) {
    if (!hwnd_) return;
    RECT rc{};
    ::GetWindowRect(hwnd_, &rc);
    const int h = rc.bottom - rc.top;
    std::srand(::GetTickCount());
    const int r = std::rand() % 32768;
    const int y = static_cast<int>(static_cast<long long>(screenHeight() - h) * r / 32767);
    ::SetWindowPos(hwnd_, nullptr, screenWidth() - 1, y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }

 protected:
  void OnTick(DWORD now, bool*) override {
    if (now - lastMoveTick_ < kMoveIntervalMs) return;
    lastMoveTick_ = now;
    if (speed_ > kMinimumSpeed) --speed_;
    RECT rc{};
    ::GetWindowRect(hwnd_, &rc);
    ::SetWindowPos(hwnd_, nullptr, rc.left - speed_, rc.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    KeepAboveOwner(hwnd_);
    if (rc.right - speed_ < 0) PlaceForDirection(kMovingLeft);
  }

 private:
  static constexpr DWORD kMoveIntervalMs = 50;
  static constexpr int kMinimumSpeed = 3;
  DWORD lastMoveTick_ = 0;
  int speed_ = 30;
};

using ReminderObject = CReminderWnd;

void SetUpMotion(ReminderObject& object) {
  object.PlaceForDirection(kMovingLeft);
  object.draggable = true;
}

#endif

}  // namespace

std::unique_ptr<CImageWnd> CreateReminder(HWND owner, const wchar_t* resourceName, HINSTANCE module) {
  auto object = std::make_unique<ReminderObject>();
  // A picture that does not load or a window that does not come leaves an
  // object that shows nothing; the game goes on.
  object->LoadImageResource(resourceName, module);
  if (!object->CreateImageWindow(owner)) return object;
  SetUpMotion(*object);
  // Never activated: the keys belong to the game window.
  ::ShowWindow(object->hwnd(), SW_SHOWNA);
  KeepAboveOwner(object->hwnd());
  // A layered window is drawn by its own paint only: have it painted now.
  object->Invalidate();
  return object;
}

}  // namespace gamehost
