#include "gamehost/taskbar_state.h"

namespace gamehost {

// Until the taskbar is handled, a game leaves it as it is.
bool IsTaskbarAutoHide() { return true; }
void SetTaskbarAutoHide(bool) {}

}  // namespace gamehost
