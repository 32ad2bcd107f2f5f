#include "framework/gdiplus_session.h"

#include <algorithm>
// The GDI+ headers use unqualified min and max.
using std::max;
using std::min;
#include <gdiplus.h>

namespace fw {

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread on
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) token_ = token;
}

GdiplusSession::~GdiplusSession() {
  if (token_) Gdiplus::GdiplusShutdown(token_);
}

}  // namespace fw
