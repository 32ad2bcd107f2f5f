#include "modules/cards/deck_tables.h"

namespace deck {

#if defined(BIMBLY_DECK_INSECT)
const int kBackgroundCount = 5;
const bimbly::cards::Deck& Recipes() { return bimbly::cards::InsectDeck(); }
#elif defined(BIMBLY_DECK_BIRD)
const int kBackgroundCount = 11;
const bimbly::cards::Deck& Recipes() { return bimbly::cards::BirdDeck(); }
#elif defined(BIMBLY_DECK_TRAFFIC)
const int kBackgroundCount = 7;
const bimbly::cards::Deck& Recipes() { return bimbly::cards::TrafficDeck(); }
#elif defined(BIMBLY_DECK_ANIMAL)
const int kBackgroundCount = 9;
const bimbly::cards::Deck& Recipes() { return bimbly::cards::AnimalDeck(); }
#elif defined(BIMBLY_DECK_PET)
const int kBackgroundCount = 5;
const bimbly::cards::Deck& Recipes() { return bimbly::cards::PetDeck(); }
#elif defined(BIMBLY_DECK_SEA)
const int kBackgroundCount = 5;
const bimbly::cards::Deck& Recipes() { return bimbly::cards::SeaDeck(); }
#else
#error "build the cards source as one of the six decks"
#endif

}  // namespace deck
