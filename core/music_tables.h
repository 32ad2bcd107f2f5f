// The music board's tables: the note of each keyboard scan code, the
// instrument of each item, and the packing of MIDI short messages.
#pragma once

#include <cstdint>

namespace bimbly::music {

// Scan codes 0..kScanCodes-1 (set 1) have an entry; everything above is silent.
inline constexpr unsigned kScanCodes = 54;
inline constexpr int kSilent = -1;

// The scan code that bits 16-23 of the keystroke flags carry.
inline constexpr unsigned ScanCodeOf(std::uint32_t flags) { return (flags >> 16) & 0xFFu; }
// MIDI note of a scan code, or kSilent. The extended-key bit is not looked at.
int NoteForScanCode(unsigned scanCode);

inline constexpr int kDrumChannel = 9;
inline constexpr int kVelocity = 127;
inline constexpr int kChannels = 16;

// Where a picture of the board goes.
enum class Spot { kCentred, kBottomRight };
struct PictureSpot {
  Spot spot;
  float x;  // centre fractions, kCentred only
  float y;
};

struct Instrument {
  int channel;
  int program;              // General MIDI, numbered from 0
  const char* picture;      // "IMAGE" resource
  PictureSpot place;
  bool whiteKey;            // white pixels of the picture are transparent
  const char* decoration;   // picture of the animated figures, or null
  int decorationCount;      // 0 to 5
  PictureSpot decorationPlaces[5];
};

inline constexpr int kInstrumentCount = 13;
// The instrument of an item index, or null for an index the table lacks.
const Instrument* InstrumentFor(int itemIndex);

inline constexpr int kMaxDecorations = 10;

// MIDI short messages: status | first data byte << 8 | second data byte << 16.
inline constexpr std::uint32_t Pack(int status, int data1, int data2) {
  return static_cast<std::uint32_t>(status & 0xFF) | (static_cast<std::uint32_t>(data1 & 0x7F) << 8) |
         (static_cast<std::uint32_t>(data2 & 0x7F) << 16);
}
inline constexpr std::uint32_t NoteOn(int channel, int note, int velocity) {
  return Pack(0x90 | (channel & 0x0F), note, velocity);
}
inline constexpr std::uint32_t NoteOff(int channel, int note) { return Pack(0x80 | (channel & 0x0F), note, 0); }
inline constexpr std::uint32_t ProgramChange(int channel, int program) {
  return Pack(0xC0 | (channel & 0x0F), program, 0);
}
inline constexpr std::uint32_t AllNotesOff(int channel) { return Pack(0xB0 | (channel & 0x0F), 123, 0); }
// Volume for midiOutSetVolume: the low word is the left channel, the high
// word the right one.
inline constexpr std::uint32_t kMidiVolume = 0x0000FFFFu;

}  // namespace bimbly::music
