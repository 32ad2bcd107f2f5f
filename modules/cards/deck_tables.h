// The item tables of the picture-card deck this library is built as
// (one of BIMBLY_DECK_INSECT, _BIRD, _TRAFFIC, _ANIMAL, _PET, _SEA).
#pragma once

namespace deck {

// The deck's name, for its board class and its tests.
extern const char kDeckName[];
// Number of backgrounds, one per item index ("BACK1" for index 0, ...).
extern const int kBackgroundCount;

}  // namespace deck
