// Speech requests on a SpeechRecord, for the launcher and for every play
// module (each links its own copy; the record is shared). Requests run on the
// caller's thread and block it until the worker acknowledges, at most the
// record's acknowledgement bound (15 s unless set); a worker that misses it is
// terminated and from then on requests only store their text.
//
// Hand-over safety: every request holds the record's request lock (a kernel
// mutex stored in the record) from storing its text or value through
// signalling to the acknowledgement. So one requester at a time talks to the
// worker: nobody frees the text while the worker reads it, no two requesters
// swap acknowledgements, and no signal is lost to an auto-reset event that is
// still set. A mutex rather than a critical section or SRW lock because the
// wait for it can be bounded and because a requester thread that is terminated
// while holding it (a board thread ended by force) abandons it instead of
// blocking everyone for good.
#pragma once

#include "contracts/speech_record.h"
#include "core/settings_rules.h"

namespace speech {

// Zeroes the record and sets the voice filter to its initial value.
void InitSpeechRecord(SpeechRecord* record);

// Copies filter (the launcher's voice name unless given) into the voice
// filter, then asks the worker to choose the voice again. False when no worker
// runs or it does not acknowledge in time.
bool SelectVoice(SpeechRecord* record, const char* filter = kDefaultSpeechVoiceFilter);

// Stores rate in the record and asks the worker to apply it. False when no
// worker runs or it does not acknowledge in time.
bool ApplyRate(SpeechRecord* record, std::int32_t rate);

// Asks the worker to cut off what it is saying. False when no worker runs or
// it does not acknowledge in time.
bool StopSpeech(SpeechRecord* record);

// Converts GBK text (code page 936) to UTF-16, replaces the record's text
// (and drops any second-language text) and asks the worker to speak it. Null text: false, the stored text stays. With
// no worker the text is stored and the call returns true.
bool SpeakText(const char* gbkText, SpeechRecord* record);

// Speaks a name as a parent chose: the name (Chinese), the second-language
// name, or the one right after the other. The worker speaks the name alone
// when it has no English voice or secondName is null or empty; a later
// request cuts the pair short. Quiet: nothing is asked or stored, true. Null
// name: false, the stored texts stay. With no worker the texts are stored and
// the call returns true.
bool SpeakNames(const wchar_t* name, const wchar_t* secondName, const bimbly::NameSpeaking& how,
                SpeechRecord* record);
// The same with a GBK name (code page 936) and a UTF-8 second name (a catalog
// item's ASCII label is UTF-8 too).
bool SpeakNamesGbk(const char* gbkName, const char* utf8SecondName, const bimbly::NameSpeaking& how,
                   SpeechRecord* record);

// The acknowledgement bound in force for the record.
DWORD SpeechAckTimeout(const SpeechRecord* record);

}  // namespace speech
