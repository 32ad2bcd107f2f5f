// The interface style of a run: chosen once at start-up from config.ini,
// automatically by the day of the month or as fixed by the user.
#pragma once

namespace style {

int ChooseStyle();

// The style chosen for this run (0 until ChooseStyle's result is stored).
int CurrentStyle();
void SetCurrentStyle(int index);

}  // namespace style
