#include <windows.h>

#include "updater/upmender/upmender_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  CUpmenderApp app;
  return fw::RunApplication(app, instance);
}
