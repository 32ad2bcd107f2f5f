// Image-list helpers.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace fw {

// Adds bitmap resource `id` of `module` to `list` with `mask` as its
// transparent colour. A missing bitmap still takes its slot (as a blank
// picture), so that picture numbers stay aligned with their entries.
void AddBitmapResource(HIMAGELIST list, HINSTANCE module, UINT id, COLORREF mask);

}  // namespace fw
