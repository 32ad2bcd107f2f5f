#include "launcher/game_seam.h"

// The game dialog plugs in here.
void RunGame(HWND, int) {}
