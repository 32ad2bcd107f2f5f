#include <windows.h>

#include "launcher/tobble_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  CTobbleApp app;
  return fw::RunApplication(app, instance);
}
