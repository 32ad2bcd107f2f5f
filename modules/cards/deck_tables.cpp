#include "modules/cards/deck_tables.h"

namespace deck {

#if defined(BIMBLY_DECK_INSECT)
const char kDeckName[] = "Insect";
const int kBackgroundCount = 5;
const bimbly::cards::Deck& Recipes() { return bimbly::cards::InsectDeck(); }
#elif defined(BIMBLY_DECK_BIRD)
const char kDeckName[] = "Bird";
const int kBackgroundCount = 11;
const bimbly::cards::Deck& Recipes() { return bimbly::cards::BirdDeck(); }
#elif defined(BIMBLY_DECK_TRAFFIC)
const char kDeckName[] = "Traffic";
const int kBackgroundCount = 7;
const bimbly::cards::Deck& Recipes() { return bimbly::cards::TrafficDeck(); }
#elif defined(BIMBLY_DECK_ANIMAL)
const char kDeckName[] = "Animal";
const int kBackgroundCount = 9;
const bimbly::cards::Deck& Recipes() { return bimbly::cards::AnimalDeck(); }
#elif defined(BIMBLY_DECK_PET)
const char kDeckName[] = "Pet";
const int kBackgroundCount = 5;
const bimbly::cards::Deck& Recipes() { return bimbly::cards::PetDeck(); }
#elif defined(BIMBLY_DECK_SEA)
const char kDeckName[] = "Sea";
const int kBackgroundCount = 5;
const bimbly::cards::Deck& Recipes() { return bimbly::cards::SeaDeck(); }
#else
#error "build the cards source as one of the six decks"
#endif

}  // namespace deck
