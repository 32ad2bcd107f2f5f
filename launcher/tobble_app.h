// The launcher's application object.
#pragma once

#include <memory>

#include "framework/app.h"
#include "framework/gdiplus_session.h"
#include "framework/handles.h"
#include "framework/instance_mutex.h"

// The launcher's document: empty, the frame and views hold everything.
class CTobbleDoc : public fw::CDocument {};

// Tobble.exe's application object: start-up and shut-down of the launcher.
class CTobbleApp : public fw::CWinApp {
 public:
  bool InitInstance() override;
  int ExitInstance() override;

 private:
  // Held until the process ends, so a second launcher sees it even while a
  // game runs.
  fw::InstanceMutex instanceMutex_;
  std::unique_ptr<fw::GdiplusSession> gdiplus_;
  bool oleInitialized_ = false;
};
