#include "core/style_table.h"

namespace bimbly {
namespace {
constexpr Rgb kDefaultTree{214, 233, 248};
constexpr Rgb kDefaultBar{193, 211, 235};
constexpr Rgb kNavy{0, 19, 140};
constexpr Rgb kWhite{255, 255, 255};

constexpr StyleEntry kStyles[] = {
    {kDefaultTree, kDefaultBar, kNavy, kWhite, L"BACK_GROUND_IMAGE0", L"LIST_BACK_GROUND_IMAGE0"},
    {{239, 232, 250}, {251, 246, 252}, {94, 158, 255}, kWhite, L"BACK_GROUND_IMAGE1", L"LIST_BACK_GROUND_IMAGE1"},
    {{243, 243, 243}, {213, 213, 213}, kNavy, kWhite, L"BACK_GROUND_IMAGE2", L"LIST_BACK_GROUND_IMAGE2"},
    {{254, 245, 250}, {254, 215, 233}, kNavy, kWhite, L"BACK_GROUND_IMAGE3", L"LIST_BACK_GROUND_IMAGE3"},
    {kDefaultTree, kDefaultBar, kNavy, kWhite, L"BACK_GROUND_IMAGE4", L"LIST_BACK_GROUND_IMAGE4"},
};
constexpr StyleEntry kUnknownStyle{kDefaultTree, kDefaultBar, kNavy, kWhite, L"BACK_GROUND_IMAGE0",
                                   L"LIST_BACK_GROUND_IMAGE1"};
}  // namespace

const StyleEntry& StyleFor(int style) {
  if (style < 0 || style >= static_cast<int>(sizeof(kStyles) / sizeof(kStyles[0]))) return kUnknownStyle;
  return kStyles[style];
}

}  // namespace bimbly
