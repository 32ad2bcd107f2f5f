#include "gamehost/system/edge_gestures.h"

#include <propsys.h>
#include <shellapi.h>

#include "framework/handles.h"

namespace gamehost {

namespace {

// System.EdgeGesture.DisableTouchWhenFullscreen.
constexpr PROPERTYKEY kDisableTouchWhenFullscreen = {
    {0x32CE38B2, 0x2C9A, 0x41B1, {0x9B, 0xC5, 0xB3, 0x78, 0x43, 0x94, 0xAA, 0x44}}, 2};

bool SetRequest(HWND window, OpenWindowPropertyStore open, bool disable) {
  if (!window || !open) return false;
  fw::ComPtr<IPropertyStore> store;
  if (FAILED(open(window, IID_IPropertyStore, reinterpret_cast<void**>(store.put()))) || !store) return false;
  PROPVARIANT value{};  // VT_EMPTY takes the request away
  if (disable) {
    value.vt = VT_BOOL;
    value.boolVal = VARIANT_TRUE;
  }
  return SUCCEEDED(store->SetValue(kDisableTouchWhenFullscreen, value));
}

}  // namespace

OpenWindowPropertyStore SystemWindowPropertyStore() { return &::SHGetPropertyStoreForWindow; }

bool DisableEdgeSwipes(HWND window, OpenWindowPropertyStore open) { return SetRequest(window, open, true); }

void ClearEdgeSwipeRequest(HWND window, OpenWindowPropertyStore open) { SetRequest(window, open, false); }

}  // namespace gamehost
