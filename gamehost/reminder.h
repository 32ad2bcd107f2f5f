// The reminder pictures: one line of text that scrolls from the right edge
// leftwards over the board (how to leave) or, once the time is up, over the
// empty game window (the game is over). It rushes in, slows down to a steady
// crawl and re-enters at the right edge at a new height each time it has left
// the screen, until its owner deletes it.
#pragma once

#include <windows.h>

#include <memory>

class CImageWnd;

namespace gamehost {

// Shows the "IMAGE" resource `resourceName` of `module` as a moving object
// owned by `owner` (which must be a window). The object is returned even when
// its picture or window could not be made: it then shows nothing.
// `keepAboveOwner`: the object itself puts itself back above an owner raised
// over it; a board owner does that for what it owns, and passes false.
std::unique_ptr<CImageWnd> CreateReminder(HWND owner, const wchar_t* resourceName, HINSTANCE module,
                                          bool keepAboveOwner);

}  // namespace gamehost
