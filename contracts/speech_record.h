// The process's one speech record: the launcher owns it, the speech worker
// thread serves it, and every play module reaches it through the pointer in
// ModuleStartInfo. Modules address its fields directly, so the field order is a
// layout contract between the launcher and every module library: plain data
// only, new fields go at the end.
//
// Memory: the text members are allocated and freed with HeapAlloc/HeapFree on
// GetProcessHeap(). That heap is the same for the launcher and every module
// whatever C run-time each one links, so whoever replaces the text may free a
// buffer that another library allocated.
//
// Requests: use the functions of speech/speech_requests.h, never the fields directly;
// they serialise requesters on requestLock (see there).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Wait slots of the worker, in the order of the event arrays.
enum SpeechSlot : int {
  kSpeechSlotSpeak = 0,  // speak the text
  kSpeechSlotVoice = 1,  // select the voice again from the filter
  kSpeechSlotRate = 2,   // apply the rate
  kSpeechSlotStop = 3,   // stop speaking
  kSpeechSlotQuit = 4,   // end the worker
  kSpeechSlotCount = 5,
};

// Which names a speak request wants (SpeechRecord::speakWhich).
enum SpeechNames : std::int32_t {
  kSpeechFirstOnly = 0,       // the text
  kSpeechSecondOnly = 1,      // the second text in the English voice; the text when there is no such voice
  kSpeechFirstThenSecond = 2, // the text, then the second text in the English voice when there is one
};

inline constexpr std::size_t kSpeechVoiceFilterSize = 128;
inline constexpr char kDefaultSpeechVoiceFilter[] = "Microsoft Simplified Chinese";

struct SpeechRecord {
  HANDLE worker;                            // worker thread; null when no worker runs
  HANDLE workerEvents[kSpeechSlotCount];    // what the worker waits on, one array (auto-reset, unnamed)
  HANDLE requestEvents[kSpeechSlotCount];   // the same handles; requesters signal these, the owner closes them
  wchar_t* text;                            // next text to speak, UTF-16, process heap; null when none
  char voiceFilter[kSpeechVoiceFilterSize]; // a voice whose description contains this is chosen
  std::int32_t rate;                        // applied by the rate request
  HANDLE acknowledged;                      // set by the worker whenever it is ready for the next request

  // Added after the fields above; they keep their meaning.
  HANDLE requestLock;    // mutex serialising store-signal-acknowledge; created on first use, closed with the record
  DWORD ackTimeoutMs;    // bound on each acknowledgement; 0 means 15000 ms
  wchar_t* secondText;   // second-language name of the next speak request, like text; null when none
  std::int32_t speakWhich;  // SpeechNames of the next speak request
};

static_assert(sizeof(HANDLE) == sizeof(void*) && sizeof(wchar_t) == 2, "Windows types expected");
static_assert(offsetof(SpeechRecord, worker) == 0, "layout is part of the module contract");
static_assert(offsetof(SpeechRecord, workerEvents) == 1 * sizeof(HANDLE), "layout is part of the module contract");
static_assert(offsetof(SpeechRecord, requestEvents) == 6 * sizeof(HANDLE), "layout is part of the module contract");
static_assert(offsetof(SpeechRecord, text) == 11 * sizeof(HANDLE), "layout is part of the module contract");
static_assert(offsetof(SpeechRecord, voiceFilter) == 12 * sizeof(HANDLE), "layout is part of the module contract");
static_assert(offsetof(SpeechRecord, rate) == 12 * sizeof(HANDLE) + kSpeechVoiceFilterSize,
              "layout is part of the module contract");
// The acknowledgement handle follows the rate at the next handle boundary
// (four bytes of alignment on 64-bit builds, none on 32-bit ones).
static_assert(offsetof(SpeechRecord, acknowledged) ==
                  (12 * sizeof(HANDLE) + kSpeechVoiceFilterSize + sizeof(std::int32_t) + alignof(HANDLE) - 1) /
                      alignof(HANDLE) * alignof(HANDLE),
              "layout is part of the module contract");
static_assert(offsetof(SpeechRecord, requestLock) == offsetof(SpeechRecord, acknowledged) + sizeof(HANDLE),
              "appended fields follow the original ones");
static_assert(offsetof(SpeechRecord, ackTimeoutMs) == offsetof(SpeechRecord, requestLock) + sizeof(HANDLE),
              "appended fields follow the original ones");
static_assert(offsetof(SpeechRecord, secondText) > offsetof(SpeechRecord, ackTimeoutMs) &&
                  offsetof(SpeechRecord, speakWhich) == offsetof(SpeechRecord, secondText) + sizeof(void*),
              "appended fields follow the original ones");
