// One running instance of a program, marked by a named mutex that it holds
// for its whole life.
#pragma once

#include "framework/handles.h"

namespace fw {

class InstanceMutex {
 public:
  // Creates the mutex unowned; false only when another program already holds
  // it (this one then holds nothing and should end).
  bool Take(const wchar_t* name);

 private:
  UniqueKernelHandle handle_;
};

// True while some program holds the named mutex. Only opens it: testing for
// a running program must never be what makes it seem to run.
bool MutexExists(const wchar_t* name);

}  // namespace fw
