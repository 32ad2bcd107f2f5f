#include <windows.h>

#include "updater/update/update_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  CUpdateApp app;
  return fw::RunApplication(app, instance);
}
