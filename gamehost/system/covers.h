// Black windows over every monitor but the primary one while a game runs, so
// that a child's click on a second screen reaches neither the desktop nor
// another program. The game itself stays on the primary monitor.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/handles.h"

namespace gamehost {

// The rectangles of the monitors that need a cover: every monitor but the
// primary one (EnumDisplayMonitors).
std::vector<RECT> SecondaryMonitorRects();

class CoverWindows {
 public:
  CoverWindows() = default;
  ~CoverWindows() { Remove(); }
  CoverWindows(const CoverWindows&) = delete;
  CoverWindows& operator=(const CoverWindows&) = delete;

  // Covers the secondary monitors as they are now: topmost, black, taking
  // every click and never the activation. Called again after a change of the
  // display layout, it replaces the old set.
  void Cover();
  void Remove();
  const std::vector<fw::UniqueWindow>& windows() const { return windows_; }

 private:
  std::vector<fw::UniqueWindow> windows_;
};

}  // namespace gamehost
