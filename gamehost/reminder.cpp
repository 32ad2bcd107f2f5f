#include "gamehost/reminder.h"

namespace gamehost {

// Until the reminder pictures exist, a game shows none.
Reminder* ShowReminder(HWND, const wchar_t*) { return nullptr; }

}  // namespace gamehost
