// The taskbar's auto-hide state, switched on for a game and restored after it.
#pragma once

namespace gamehost {

bool IsTaskbarAutoHide();
void SetTaskbarAutoHide(bool on);

}  // namespace gamehost
