// The deck this library is built as (one of BIMBLY_DECK_INSECT, _BIRD,
// _TRAFFIC, _ANIMAL, _PET, _SEA): its item recipes and its backgrounds.
#pragma once

#include "core/card_recipes.h"

namespace deck {

// Number of backgrounds, one per item index ("BACK1" for index 0, ...).
extern const int kBackgroundCount;
// The deck's item recipes (core/card_recipes.cpp).
const bimbly::cards::Deck& Recipes();

}  // namespace deck
