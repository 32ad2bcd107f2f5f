// The way from the settings dialog to the dialog where a parent adds and
// edits the family's own items.
#pragma once

#include <windows.h>

namespace launcher {

// Runs the family dialog modally over owner. False when there is none to
// open; the settings dialog then greys its button.
bool OpenFamilyDialog(HWND owner);

}  // namespace launcher
