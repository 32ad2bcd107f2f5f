#include "core/music_tables.h"

#include <array>

namespace bimbly::music {

namespace {
constexpr int S = kSilent;
// Two piano keyboards. Upper: white keys on the Q row (middle C on Q), black
// keys on the digit row. Lower: white keys on the Z row, black keys on the A row.
constexpr std::array<std::int8_t, kScanCodes> kNotes = {
    // 0x00-0x0F: -, Esc, 1 2 3 4 5 6 7 8 9 0 - =, Backspace, Tab
    S, S, S, 61, 63, S, 66, 68, 70, S, 73, 75, S, 78, S, S,
    // 0x10-0x1F: Q W E R T Y U I O P [ ], Enter, Ctrl, A S
    60, 62, 64, 65, 67, 69, 71, 72, 74, 76, 77, 79, S, S, 44, 46,
    // 0x20-0x2F: D F G H J K L ; ', `, left Shift, backslash, Z X C V
    S, 49, 51, S, 54, 56, 58, S, 61, S, S, S, 45, 47, 48, 50,
    // 0x30-0x35: B N M , . /
    52, 53, 55, 57, 59, 60,
};

constexpr PictureSpot Centred(float x, float y) { return {Spot::kCentred, x, y}; }
constexpr PictureSpot kCorner = {Spot::kBottomRight, 0, 0};
constexpr PictureSpot kNone = {Spot::kCentred, 0, 0};

// index: item           channel, program   picture, placement              white key  decorations
constexpr std::array<Instrument, kInstrumentCount> kInstruments = {{
    /* 0 piano    */ {0, 0, "IMG4", Centred(0.5f, 0.5f), false, "IMG15", 1, {kCorner}},
    /* 1 guitar   */ {0, 24, "IMG2", kCorner, false, "IMG16", 1, {Centred(0.4f, 0.65f)}},
    /* 2 zither   */ {0, 107, "IMG5", Centred(0.6f, 0.8f), false, nullptr, 0, {kNone}},
    /* 3 dulcimer */ {0, 15, "IMG6", Centred(0.6f, 0.8f), false, nullptr, 0, {kNone}},
    /* 4 violin   */ {0, 40, "IMG3", Centred(0.5f, 0.5f), false, nullptr, 0, {kNone}},
    /* 5 cello    */ {0, 42, "IMG7", Centred(0.5f, 0.5f), false, nullptr, 0, {kNone}},
    /* 6 sax      */ {0, 64, "IMG8", Centred(0.5f, 0.5f), false, nullptr, 0, {kNone}},
    /* 7 drum kit */ {kDrumChannel, 0, "IMG9", kCorner, false, "IMG18", 3,
                      {Centred(0.2f, 0.65f), Centred(0.35f, 0.65f), Centred(0.5f, 0.65f)}},
    /* 8 timpani  */ {0, 47, "IMG10", kCorner, true, "IMG17", 1, {Centred(0.4f, 0.65f)}},
    /* 9 trumpet  */ {0, 56, "IMG11", Centred(0.5f, 0.5f), false, nullptr, 0, {kNone}},
    /* 10 trombone*/ {0, 57, "IMG12", Centred(0.5f, 0.5f), false, nullptr, 0, {kNone}},
    /* 11 birds   */ {0, 123, "IMG13", kCorner, false, "IMG19", 5,
                      {Centred(0.1f, 0.65f), Centred(0.25f, 0.65f), Centred(0.4f, 0.65f), Centred(0.55f, 0.65f),
                       Centred(0.7f, 0.65f)}},
    /* 12 ring    */ {0, 124, "IMG14", Centred(0.5f, 0.5f), false, nullptr, 0, {kNone}},
}};
}  // namespace

int NoteForScanCode(unsigned scanCode) { return scanCode < kScanCodes ? kNotes[scanCode] : kSilent; }

const Instrument* InstrumentFor(int itemIndex) {
  if (itemIndex < 0 || itemIndex >= kInstrumentCount) return nullptr;
  return &kInstruments[static_cast<std::size_t>(itemIndex)];
}

}  // namespace bimbly::music
