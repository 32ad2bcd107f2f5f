#include "framework/image_list.h"

#include "framework/handles.h"

namespace fw {

void AddBitmapResource(HIMAGELIST list, HINSTANCE module, UINT id, COLORREF mask) {
  UniqueBitmap bmp(static_cast<HBITMAP>(
      ::LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!bmp) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    bmp.reset(::CreateBitmap(cx, cy, 1, 32, nullptr));
  }
  ImageList_AddMasked(list, bmp.get(), mask);
}

}  // namespace fw
