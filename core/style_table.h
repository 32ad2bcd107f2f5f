// The five interface styles: colours and the names of their two pictures.
// Any index outside 0-4 gets the colours of style 0 with background picture 0
// and list tile 1.
#pragma once

#include <cstdint>

namespace bimbly {

struct Rgb {
  std::uint8_t r, g, b;
};

struct StyleEntry {
  Rgb tree;          // background of the category tree
  Rgb bar;           // fill of the splitter bars
  Rgb outerBorder;   // both colours of the outer 3-D border
  Rgb innerBorder;   // both colours of the inner 3-D border
  const wchar_t* pictureName;      // background picture, resource type "IMAGE"
  const wchar_t* listPictureName;  // list tile, resource type "IMAGE"
};

inline constexpr wchar_t kStylePictureType[] = L"IMAGE";
inline constexpr int kNamedStyleCount = 4;  // offered in the settings dialog

const StyleEntry& StyleFor(int style);

}  // namespace bimbly
