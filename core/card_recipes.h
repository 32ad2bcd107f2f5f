// The picture-card decks as data: for every item, how many copies of which
// picture go out, where and how they move, and what a key does with them.
// Each row reads like a line of the deck's item table.
#pragma once

#include <cstdint>

namespace bimbly::cards {

enum class ColourKey : std::uint8_t { kNone, kWhite, kBlue };

// Turn flags of a copy, as a set.
enum Edge : std::uint8_t { kNoEdges = 0, kLeft = 1, kRight = 2, kTop = 4, kBottom = 8, kAllEdges = 15 };

// A copy either starts moving (direction 1 right, 2 left, 0 still at a random
// place within its band) or sits still, centred at the given fractions.
enum class Start : std::uint8_t { kMove, kCentred };

struct Placement {
  Start start = Start::kMove;
  int direction[3] = {0, 0, 0};  // by picture, see Pictures
  bool band = false;             // SetVerticalBand(bandTop, bandBottom)
  float bandTop = 0;
  float bandBottom = 1;
  float x = 0;  // centre, Start::kCentred
  float y = 0;
  std::uint8_t edges = kNoEdges;
};

// Copy i shows names[i % count].
struct Pictures {
  const char* names[3] = {nullptr, nullptr, nullptr};
  int count = 1;
  ColourKey key = ColourKey::kNone;
  bool doubleSize = false;
};

// kSpeakName: the item's name is spoken instead (family cards without a sound).
enum class SoundDo : std::uint8_t { kNothing, kOnce, kLooped, kStop, kSpeakName };
struct Sound {
  SoundDo what = SoundDo::kNothing;
  const char* wave = nullptr;
};

enum class Animation : std::uint8_t { kUnchanged, kOn, kToFirstFrame, kHalt };

// A toggle board's key action for one state of the scene; motion is switched
// on in the on action and off in the off action.
struct Toggle {
  Sound sound;
  Animation animation = Animation::kUnchanged;
};

// A sound board's key action: the sound, then a pulse of the still copy's
// animation. With `alternate`, a key that creates an odd copy, and every key
// once all copies exist, plays `alternate` instead.
struct KeyAction {
  Sound sound;
  int pulseMs = 0;
  bool alternating = false;
  Sound alternate;
};

struct CardRecipe {
  const char* label;  // English label, for reading and for messages
  int copies;
  Pictures picture;
  Placement placement;
  Sound creation;
  // Toggle boards: on / off; noToggle plays `on.sound` at every key instead.
  Toggle on;
  Toggle off;
  bool noToggle = false;
  // Sound boards.
  KeyAction action;
};

enum class BoardKind : std::uint8_t { kToggle, kSound };

struct Deck {
  const char* name;
  BoardKind kind;
  const CardRecipe* items;
  int itemCount;
  // Recipe of an item index, or null for an index the deck lacks.
  const CardRecipe* Item(int index) const { return index >= 0 && index < itemCount ? &items[index] : nullptr; }
};

inline constexpr int kMaxCopies = 21;

const Deck& InsectDeck();
const Deck& TrafficDeck();
const Deck& BirdDeck();
const Deck& AnimalDeck();
const Deck& PetDeck();
const Deck& SeaDeck();

// What a key does on a picture-card board. Platform-free, so that a board
// only carries the decisions out.
struct KeyPlan {
  int createCopy = -1;      // slot to create first, -1 when all exist
  bool speedUp = false;     // every copy, as the faster command
  bool speak = false;       // the item name (Enter, Space)
  bool toggleOn = false;    // toggle board: do the on action
  bool toggleOff = false;   // toggle board: do the off action
  Sound sound;              // to play after all that (sound boards, no-toggle)
  int pulseMs = 0;
};
// `created` copies exist (slots 0..created-1); `running` is the toggle
// board's scene state; `speakKey` is Enter or Space.
KeyPlan PlanKey(const Deck& deck, const CardRecipe& item, int created, bool running, bool speakKey);

}  // namespace bimbly::cards
