// The five interface styles: colours and the names of their two pictures.
// Any index outside 0-4 gets the colours of style 0 with background picture 0
// and list tile 1.
#pragma once

#include <cstdint>
#include <string_view>

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
  const wchar_t* settingsName;     // entry in the settings dialog's list; nullptr when not offered
};

inline constexpr wchar_t kStylePictureType[] = L"IMAGE";
inline constexpr int kNamedStyleCount = 4;  // offered in the settings dialog

const StyleEntry& StyleFor(int style);

// The style of a run: in automatic mode ("Style"/"Mode" exactly "auto") the
// style of the day of the month (0 when the date is unknown), otherwise the
// stored "Style"/"Choose" as it is, even outside 0-4.
int StyleOfRun(std::wstring_view mode, int choice, int dayOfMonth);

}  // namespace bimbly
