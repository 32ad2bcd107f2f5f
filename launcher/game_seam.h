// Runs the game of one catalog row modally on the launcher's thread.
#pragma once

#include <windows.h>

void RunGame(HWND owner, int catalogRow);
