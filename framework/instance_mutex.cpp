#include "framework/instance_mutex.h"

#include <windows.h>

namespace fw {

bool InstanceMutex::Take(const wchar_t* name) {
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name);
  if (mutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(mutex);
    return false;
  }
  // A mutex that cannot be made at all does not stop the program.
  handle_.reset(mutex);
  return true;
}

bool MutexExists(const wchar_t* name) {
  UniqueKernelHandle h(::OpenMutexW(SYNCHRONIZE, FALSE, name));
  return static_cast<bool>(h);
}

}  // namespace fw
