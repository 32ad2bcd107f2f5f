// Board background names by item index.
#pragma once

#include <string>

// "BACK" + (index + 1) for an index below `count`, else empty (no background:
// the board stays black).
inline std::wstring NumberedBackground(int itemIndex, int count) {
  if (itemIndex < 0 || itemIndex >= count) return std::wstring();
  return L"BACK" + std::to_wstring(itemIndex + 1);
}
