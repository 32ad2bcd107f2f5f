#include "settings_rules.h"

namespace bimbly {

std::wstring StyleChoiceText(int style) { return std::to_wstring(style); }

int StyleForDayOfMonth(int day) {
  if (day < 0) day = 0;
  return day % 4;
}

}  // namespace bimbly
