// The boards' backgrounds drawn at the screen's size, kept while the module
// stays loaded. Drawing a full-screen background (a JPEG stretched with the
// high-quality filter) takes 100-300 ms under Wine, the larger part of an
// item switch; a background drawn once is copied in a millisecond or two.
// The neighbouring items' backgrounds are drawn ahead, on a thread that holds
// the module until it is done, so that Page Up and Page Down find them ready.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace board_backgrounds {

// Top-down premultiplied ARGB, width x height.
using Pixels = std::shared_ptr<const std::vector<std::uint32_t>>;

// The background drawn at width x height if it is in the cache, else null.
Pixels Find(const std::wstring& name, int width, int height);
// The background drawn at width x height: from the cache, or drawn now on
// the caller's thread and kept. Null when it cannot be drawn.
Pixels Get(HINSTANCE module, const std::wstring& name, int width, int height);
// Work done ahead after the backgrounds, told whether it is still wanted
// (false once a newer DrawAhead or StopDrawingAhead came). It must not use
// the board, which may be gone by then.
using AheadWork = std::function<void(const std::function<bool()>& stillWanted)>;
// Has these backgrounds drawn into the cache on a low-priority thread, then
// `alsoAhead` done there, instead of whatever an earlier call still had to do.
void DrawAhead(HINSTANCE module, std::vector<std::wstring> names, int width, int height, AheadWork alsoAhead = {});
// Has the drawing ahead end after the background in hand and waits for it
// (bounded), so that nothing of the module runs when it is freed next.
void StopDrawingAhead();

}  // namespace board_backgrounds
