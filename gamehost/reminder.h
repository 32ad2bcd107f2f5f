// The reminder pictures that move over the board and, at time-up, over the
// empty game window.
#pragma once

#include <windows.h>

namespace gamehost {

class Reminder {
 public:
  virtual ~Reminder() = default;
};
// Shows a reminder picture over `parent` (none when parent is null).
Reminder* ShowReminder(HWND parent, const wchar_t* resourceName);

}  // namespace gamehost
