#include "core/card_recipes.h"

namespace bimbly::cards {

namespace {

// Pieces that make the rows below read like the decks' item tables.
constexpr Pictures Pic(const char* name, ColourKey key = ColourKey::kNone, bool doubleSize = false) {
  Pictures p;
  p.names[0] = name;
  p.key = key;
  p.doubleSize = doubleSize;
  return p;
}
constexpr ColourKey kWhite = ColourKey::kWhite;
constexpr ColourKey kBlue = ColourKey::kBlue;
constexpr bool kDouble = true;

constexpr int R = 1;  // StartMoving(1), moving right
constexpr int L = 2;  // StartMoving(2), moving left

// Moving in a direction over the whole height, or within a band.
constexpr Placement Go(int direction, std::uint8_t edges) {
  Placement p;
  p.direction[0] = p.direction[1] = p.direction[2] = direction;
  p.edges = edges;
  return p;
}
constexpr Placement Go(int direction, float lo, float hi, std::uint8_t edges) {
  Placement p = Go(direction, edges);
  p.band = true;
  p.bandTop = lo;
  p.bandBottom = hi;
  return p;
}
// Still, centred at fractions of the screen.
constexpr Placement Centred(float x, float y) {
  Placement p;
  p.start = Start::kCentred;
  p.x = x;
  p.y = y;
  return p;
}

constexpr Sound Once(const char* wave) { return {SoundDo::kOnce, wave}; }
constexpr Sound Looped(const char* wave) { return {SoundDo::kLooped, wave}; }
constexpr Sound kStopSound = {SoundDo::kStop, nullptr};
constexpr Sound kSilence = {SoundDo::kNothing, nullptr};

constexpr Toggle T(Sound s, Animation a = Animation::kUnchanged) { return {s, a}; }
constexpr Animation kAnimOn = Animation::kOn;
constexpr Animation kFirstFrame = Animation::kToFirstFrame;
constexpr Animation kHalt = Animation::kHalt;

constexpr std::uint8_t kRTB = kRight | kTop | kBottom;

// A toggle board's row: copies, picture, placement and motion, creation sound, on / off.
constexpr CardRecipe Toggling(const char* label, int copies, Pictures pic, Placement place, Sound creation, Toggle on,
                              Toggle off) {
  CardRecipe r{label, copies, pic, place, creation, on, off, false, KeyAction{}};
  return r;
}
// A sound board's row: copies, picture, placement and motion, key action.
constexpr CardRecipe Sounding(const char* label, int copies, Pictures pic, Placement place, Sound key,
                              int pulseMs = 0) {
  KeyAction a;
  a.sound = key;
  a.pulseMs = pulseMs;
  CardRecipe r{label, copies, pic, place, kSilence, Toggle{}, Toggle{}, false, a};
  return r;
}

// Insects (toggle board).
constexpr Placement Butterflies() {
  Placement p = Go(L, 0.3f, 1.0f, kAllEdges);
  p.direction[2] = R;  // "IMG5" flies right
  return p;
}
constexpr Pictures ButterflyPictures() {
  Pictures p;
  p.names[0] = "IMG3";
  p.names[1] = "IMG4";
  p.names[2] = "IMG5";
  p.count = 3;
  return p;
}
constexpr Placement AntsAnywhere() {
  Placement p = Go(0, kNoEdges);
  return p;
}
constexpr CardRecipe kInsects[] = {
    //        item          copies picture      placement and motion          creation sound   on / off
    Toggling("bee", 10, Pic("IMG1"), Go(R, kAllEdges), Looped("WAVE1"), T(Looped("WAVE1"), kAnimOn),
             T(kStopSound, kFirstFrame)),
    Toggling("dragonfly", 8, Pic("IMG2"), Go(L, 0.7f, 1.0f, kAllEdges), kSilence, T(kSilence), T(kSilence)),
    Toggling("butterfly", 10, ButterflyPictures(), Butterflies(), kSilence, T(kSilence), T(kSilence)),
    Toggling("mosquito", 2, Pic("IMG6", kWhite), Go(R, 0.45f, 1.0f, kAllEdges), kSilence, T(Looped("WAVE2")),
             T(kStopSound)),
    Toggling("ant", 10, Pic("IMG7", kWhite), AntsAnywhere(), kSilence, T(kSilence, kAnimOn), T(kSilence, kHalt)),
};

// Vehicles (toggle board).
constexpr CardRecipe Bicycles() {
  CardRecipe r = Toggling("bicycle", 5, Pic("IMG5"), Go(L, 0.6f, 1.0f, kRTB), Once("WAVE7"), T(Once("WAVE7")),
                          T(Once("WAVE7")));
  r.noToggle = true;  // every key plays "WAVE7" once and leaves running unchanged
  return r;
}
constexpr CardRecipe kTraffic[] = {
    Toggling("train", 1, Pic("IMG1"), Go(R, 0.78f, 0.78f, kAllEdges), Looped("WAVE1"), T(Looped("WAVE1"), kAnimOn),
             T(Once("WAVE2"), kFirstFrame)),
    Toggling("car", 1, Pic("IMG2", ColourKey::kNone, kDouble), Go(L, 0.7f, 1.0f, kAllEdges), Looped("WAVE3"),
             T(Looped("WAVE3"), kAnimOn), T(Once("WAVE4"), kFirstFrame)),
    Toggling("helicopter", 2, Pic("IMG3"), Go(R, kAllEdges), Looped("WAVE5"), T(Looped("WAVE5")), T(kStopSound)),
    Toggling("airliner", 1, Pic("IMG4"), Go(R, kAllEdges), Looped("WAVE6"), T(Looped("WAVE6")), T(kStopSound)),
    Bicycles(),
    Toggling("horse cart", 2, Pic("IMG6"), Go(R, 0.6f, 1.0f, kRTB), Looped("WAVE8"), T(Looped("WAVE8")),
             T(kStopSound)),
    Toggling("sailing boat", 3, Pic("IMG7"), Go(L, 0.35f, 0.65f, kRTB), Once("WAVE9"), T(Once("WAVE9")),
             T(kStopSound)),
};

// Birds (sound board).
constexpr CardRecipe kBirds[] = {
    //        item        copies picture     placement and motion     key action, pulse ms
    Sounding("wild goose", 10, Pic("IMG1"), Go(L, kRight), Once("WAVE1")),
    Sounding("pigeon", 10, Pic("IMG2"), Go(L, kAllEdges), Once("WAVE2")),
    Sounding("bat", 10, Pic("IMG3"), Go(L, kAllEdges), Once("WAVE3")),
    Sounding("seagull", 10, Pic("IMG4"), Go(L, kAllEdges), Once("WAVE4")),
    Sounding("swan", 10, Pic("IMG5"), Go(R, kAllEdges), Once("WAVE5")),
    Sounding("eagle", 3, Pic("IMG6"), Go(R, kLeft), Once("WAVE6")),
    Sounding("rooster", 1, Pic("IMG7"), Centred(0.57f, 0.36f), Once("WAVE7"), 100),
    Sounding("sparrow", 7, Pic("IMG8"), Go(L, kLeft), Once("WAVE8")),
    Sounding("crane", 2, Pic("IMG9"), Go(R, kLeft), Once("WAVE9")),
    Sounding("parrot", 1, Pic("IMG10"), Centred(0.86f, 0.55f), Once("WAVE10"), 400),
    Sounding("owl", 1, Pic("IMG11"), Centred(0.665f, 0.78f), Once("WAVE11"), 100),
};

// Wild animals (sound board).
constexpr CardRecipe Horses() {
  CardRecipe r = Sounding("horse", 8, Pic("IMG3"), Go(R, 0.51f, 1.0f, kLeft), Once("WAVE3"));
  r.action.alternating = true;  // odd copies, and every key once all exist
  r.action.alternate = Looped("WAVE4");
  return r;
}
constexpr CardRecipe kAnimals[] = {
    Sounding("leopard", 2, Pic("IMG1"), Go(R, 0.6f, 1.0f, kLeft), Once("WAVE1")),
    Sounding("elephant", 5, Pic("IMG2"), Go(R, 0.53f, 1.0f, kLeft), Once("WAVE2")),
    Horses(),
    Sounding("tiger", 1, Pic("IMG4"), Go(R, 0.82f, 1.0f, kLeft), Once("WAVE5")),
    Sounding("rabbit", 5, Pic("IMG5"), Go(L, 0.82f, 1.0f, kLeft), kSilence),
    Sounding("dinosaur", 1, Pic("IMG6", kWhite), Go(R, 0.75f, 0.9f, kLeft), Once("WAVE6")),
    Sounding("camel", 1, Pic("IMG7"), Centred(0.8f, 0.85f), Once("WAVE7"), 100),
    Sounding("monkey", 1, Pic("IMG8"), Centred(0.185f, 0.37f), Once("WAVE8"), 100),
    Sounding("gorilla", 1, Pic("IMG9", kWhite), Go(R, 0.8f, 0.95f, kLeft), Once("WAVE9")),
};

// Pets (sound board).
constexpr CardRecipe kPets[] = {
    Sounding("dog", 10, Pic("IMG1", kBlue, kDouble), Go(L, 0.75f, 1.0f, kAllEdges), Once("WAVE1")),
    Sounding("cat", 2, Pic("IMG2", kBlue, kDouble), Go(R, 0.86f, 0.86f, kAllEdges), Once("WAVE2")),
};

// Sea world (sound board).
constexpr CardRecipe kSea[] = {
    Sounding("goldfish", 8, Pic("IMG1", kBlue), Go(L, kAllEdges), kSilence),
    Sounding("crab", 15, Pic("IMG2", ColourKey::kNone, kDouble), Go(L, 0.7f, 1.0f, kAllEdges), kSilence),
    Sounding("frog", 10, Pic("IMG3"), Go(L, 0.8f, 1.0f, kRTB), Once("WAVE3")),
    Sounding("penguin", 15, Pic("IMG4"), Go(0, 0.6f, 1.0f, kAllEdges), Once("WAVE4")),
    Sounding("tropical fish", 10, Pic("IMG5"), Go(L, kAllEdges), kSilence),
};

template <std::size_t N>
constexpr Deck MakeDeck(const char* name, BoardKind kind, const CardRecipe (&items)[N]) {
  return Deck{name, kind, items, static_cast<int>(N)};
}

constexpr Deck kInsectDeck = MakeDeck("Insect", BoardKind::kToggle, kInsects);
constexpr Deck kTrafficDeck = MakeDeck("Traffic", BoardKind::kToggle, kTraffic);
constexpr Deck kBirdDeck = MakeDeck("Bird", BoardKind::kSound, kBirds);
constexpr Deck kAnimalDeck = MakeDeck("Animal", BoardKind::kSound, kAnimals);
constexpr Deck kPetDeck = MakeDeck("Pet", BoardKind::kSound, kPets);
constexpr Deck kSeaDeck = MakeDeck("Sea", BoardKind::kSound, kSea);

}  // namespace

const Deck& InsectDeck() { return kInsectDeck; }
const Deck& TrafficDeck() { return kTrafficDeck; }
const Deck& BirdDeck() { return kBirdDeck; }
const Deck& AnimalDeck() { return kAnimalDeck; }
const Deck& PetDeck() { return kPetDeck; }
const Deck& SeaDeck() { return kSeaDeck; }

KeyPlan PlanKey(const Deck& deck, const CardRecipe& item, int created, bool running, bool speakKey) {
  KeyPlan plan;
  const int copies = item.copies < kMaxCopies ? item.copies : kMaxCopies;
  const bool toggle = deck.kind == BoardKind::kToggle;
  if (created < copies) {
    plan.createCopy = created < 0 ? 0 : created;
    // A toggle board only fills: Enter and Space speak nothing yet.
    if (toggle) return plan;
  } else {
    plan.speedUp = true;
  }
  if (speakKey) {
    plan.speak = true;
    return plan;
  }
  if (toggle) {
    if (item.noToggle) {
      plan.sound = item.on.sound;
    } else if (running) {
      plan.toggleOff = true;
    } else {
      plan.toggleOn = true;
    }
    return plan;
  }
  const bool alternate = item.action.alternating && (plan.createCopy < 0 || plan.createCopy % 2 == 1);
  plan.sound = alternate ? item.action.alternate : item.action.sound;
  plan.pulseMs = item.action.pulseMs;
  return plan;
}

}  // namespace bimbly::cards
