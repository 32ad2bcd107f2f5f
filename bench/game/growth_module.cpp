// A module with nothing but what the system-growth program measures of a
// play module's use of the C++ run-time linked into it: a window made
// through the framework on a thread of its own, a lock taken, and a
// function-local static made. Loaded and freed round after round, it shows
// what each load leaves behind in the C run-time's heap.
#include <windows.h>

#include <mutex>
#include <string>

#include "core/runtime_reserve.h"
#include "framework/window.h"

namespace {
class Plain : public fw::CWnd {};
}  // namespace

// A thread's work: one framework window, made and destroyed.
extern "C" __declspec(dllexport) DWORD WINAPI GrowthWindowThread(void*) {
  fw::CWnd::RegisterClass(L"GrowthModuleWindow", 0, nullptr);
  {
    Plain window;
    window.CreateEx(WS_EX_TOOLWINDOW, L"GrowthModuleWindow", L"", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr);
  }
  fw::CWnd::UnregisterClasses();
  return 0;
}

// A lock of the kind the framework's workers hold, made, taken and gone.
std::mutex* volatile g_lastLock;
extern "C" __declspec(dllexport) void GrowthLock() {
  auto* lock = new std::mutex;
  g_lastLock = lock;  // kept from being optimised away
  lock->lock();
  lock->unlock();
  delete lock;
}

// A function-local static with a constructor, made on first call.
extern "C" __declspec(dllexport) std::size_t GrowthStatic() {
  static const std::wstring made(40, L'x');
  return made.size();
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // As every play module does: the run-time's exception reserve goes back when freed.
  if (reason == DLL_PROCESS_DETACH && !reserved) bimbly::GiveBackRuntimeReserve();
  return TRUE;
}
