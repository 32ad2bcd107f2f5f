// Stands in for the family dialog until the launcher has one.
#include "launcher/family_entry.h"

namespace launcher {

bool OpenFamilyDialog(HWND) { return false; }

}  // namespace launcher
