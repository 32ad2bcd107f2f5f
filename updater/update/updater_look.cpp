#include "updater/update/updater_look.h"

#include <cstring>

#include "core/style_table.h"
#include "framework/window.h"

void CUpdaterSkin::SetStyle(int style, HWND owner) {
  owner_ = owner;
  picture_.reset();
  const auto& entry = bimbly::StyleFor(style);
  HMODULE module = fw::ThisModule();
  HRSRC res = ::FindResourceW(module, entry.pictureName, bimbly::kStylePictureType);
  if (!res) return;
  const DWORD size = ::SizeofResource(module, res);
  HGLOBAL loaded = ::LoadResource(module, res);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return;
  fw::UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, size));
  if (!memory) return;
  void* dst = ::GlobalLock(memory.get());
  if (!dst) return;
  std::memcpy(dst, bytes, size);
  ::GlobalUnlock(memory.get());
  fw::ComPtr<IStream> stream;
  if (FAILED(::CreateStreamOnHGlobal(memory.get(), TRUE, stream.put()))) return;
  memory.release();  // the stream owns it now
  ::OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                   reinterpret_cast<void**>(picture_.put()));
}

bool CUpdaterSkin::PaintBackground(HDC dc) const {
  if (!picture_ || !owner_) return false;
  RECT rc{};
  ::GetClientRect(owner_, &rc);
  OLE_XSIZE_HIMETRIC w = 0;
  OLE_YSIZE_HIMETRIC h = 0;
  picture_->get_Width(&w);
  picture_->get_Height(&h);
  return SUCCEEDED(picture_->Render(dc, 0, 0, rc.right, rc.bottom, 0, h, w, -h, nullptr));
}
