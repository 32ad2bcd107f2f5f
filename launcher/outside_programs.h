// What the launcher starts outside itself: the help page in the default web
// browser, and the updater, on demand or in the background when it closes.
#pragma once

#include <string>

namespace launcher {

// The maker's help page.
std::wstring HelpPageAddress();
void OpenHelpPage();
// The Update button: the updater without parameters.
void StartUpdater();
// On close: the updater in the background, only when automatic updating is set.
void CheckUpdateOnClose();
// At start: an update that was cut off left old and new files mixed. When
// neither the updater nor the helper runs, the helper is started to put the
// old files back (it starts the launcher again); true then, and this launcher
// ends.
bool HandOverCutOffUpdate();

}  // namespace launcher
