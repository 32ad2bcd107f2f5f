#include "core/style_table.h"

#include "core/settings_rules.h"

namespace bimbly {
namespace {
constexpr Rgb kDefaultTree{214, 233, 248};
constexpr Rgb kDefaultBar{193, 211, 235};
constexpr Rgb kNavy{0, 19, 140};
constexpr Rgb kWhite{255, 255, 255};

constexpr StyleEntry kStyles[] = {
    {kDefaultTree, kDefaultBar, kNavy, kWhite, L"BACK_GROUND_IMAGE0", L"LIST_BACK_GROUND_IMAGE0", L"\u9ED8\u8BA4"},
    {{239, 232, 250}, {251, 246, 252}, {94, 158, 255}, kWhite, L"BACK_GROUND_IMAGE1", L"LIST_BACK_GROUND_IMAGE1", L"\u6DE1\u84DD"},
    {{243, 243, 243}, {213, 213, 213}, kNavy, kWhite, L"BACK_GROUND_IMAGE2", L"LIST_BACK_GROUND_IMAGE2", L"\u94F6\u8272"},
    {{254, 245, 250}, {254, 215, 233}, kNavy, kWhite, L"BACK_GROUND_IMAGE3", L"LIST_BACK_GROUND_IMAGE3", L"\u7C89\u8272"},
    {kDefaultTree, kDefaultBar, kNavy, kWhite, L"BACK_GROUND_IMAGE4", L"LIST_BACK_GROUND_IMAGE4", nullptr},
};
constexpr StyleEntry kUnknownStyle{kDefaultTree, kDefaultBar, kNavy, kWhite, L"BACK_GROUND_IMAGE0",
                                   L"LIST_BACK_GROUND_IMAGE1", nullptr};
}  // namespace

const StyleEntry& StyleFor(int style) {
  if (style < 0 || style >= static_cast<int>(sizeof(kStyles) / sizeof(kStyles[0]))) return kUnknownStyle;
  return kStyles[style];
}

int StyleOfRun(std::wstring_view mode, int choice, int dayOfMonth) {
  return IsAutoMode(mode) ? StyleForDayOfMonth(dayOfMonth) : choice;
}

}  // namespace bimbly
