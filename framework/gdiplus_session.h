// GDI+ started for the length of a scope (the launcher does it once for the
// whole process; play modules rely on it and never start it themselves).
#pragma once

#include <windows.h>

#include <cstdint>

namespace fw {

class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool ok() const { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};

}  // namespace fw
