// The speech worker: one thread per launcher process that owns the speech
// engine and serves the requests of speech_requests.h through the record's
// events. Only the record's owner (the launcher) starts and shuts it down.
#pragma once

#include <functional>
#include <memory>

#include "core/wait_bounds.h"

#include "speech/speech_engine.h"
#include "contracts/speech_record.h"

namespace speech {

struct SpeechWorkerOptions {
  // Called on the worker thread; empty means the SAPI 5 engine.
  std::function<std::unique_ptr<ISpeechEngine>()> makeEngine;
  DWORD startTimeoutMs = bimbly::kSpeechStartMs;    // bound on the worker's first acknowledgement
  DWORD pauseAfterSpeakMs = 200;  // the worker rests this long after handing text to the engine
  DWORD syncSpeakTimeoutMs = 100; // set on the engine at start
};

// Creates the record's events and the worker thread and waits for the first
// acknowledgement. True when a worker runs (also when one already did). On a
// missed bound the thread is let go (not terminated: it may sit inside the
// engine's start-up) and false is returned; so is false when the worker ended
// at once because there is no speech here. A record whose worker has ended
// keeps its events and is not started again until ShutdownSpeechWorker.
bool StartSpeechWorker(SpeechRecord* record, const SpeechWorkerOptions& options = {});

// Tells the worker to quit and waits for it (at most the acknowledgement
// bound, then it is terminated), then closes the record's six event handles.
bool ShutdownSpeechWorker(SpeechRecord* record);

// End of the record: ShutdownSpeechWorker, then frees the text and closes the
// request lock.
void DestroySpeechRecord(SpeechRecord* record);

// --- The launcher's side ---------------------------------------------------

// The process's one record, owned by the launcher, initialised on first use
// and destroyed at process end. Never null, with or without a worker: the game
// host passes this pointer to the modules, whose requests then only store
// their text when no worker runs.
SpeechRecord* ProcessSpeechRecord();

// Start-up: StartSpeechWorker, SelectVoice with the launcher's voice name,
// rate 0 and ApplyRate when the worker runs. True when a worker runs.
bool StartLauncherSpeech(const SpeechWorkerOptions& options = {});

// Exit: ShutdownSpeechWorker on the launcher's record.
void StopLauncherSpeech();

}  // namespace speech
