// Touch-screen edge swipes over a full-screen game window. A swipe in from
// an edge of a tablet's screen opens the task view or the notifications over
// the game; the shell leaves them off for a full-screen window that asks so
// through its window property store.
#pragma once

#include <windows.h>

namespace gamehost {

// Opens a window's property store; SHGetPropertyStoreForWindow, or a stand-in.
using OpenWindowPropertyStore = HRESULT(STDAPICALLTYPE*)(HWND window, REFIID iid, void** store);
OpenWindowPropertyStore SystemWindowPropertyStore();

// Asks the shell to leave the edge swipes off while `window` is full screen;
// false where the platform has no per-window property store (the swipes then
// work as ever).
bool DisableEdgeSwipes(HWND window, OpenWindowPropertyStore open = SystemWindowPropertyStore());
// Takes the request away again; call before the window is destroyed.
void ClearEdgeSwipeRequest(HWND window, OpenWindowPropertyStore open = SystemWindowPropertyStore());

}  // namespace gamehost
