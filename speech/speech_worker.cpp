#include "speech/speech_worker.h"

#include <objbase.h>

#include <cstring>
#include <string>

#include "framework/handles.h"
#include "framework/threads.h"
#include "speech/speech_request_lock.h"
#include "speech/speech_requests.h"

namespace speech {

namespace {

struct WorkerArgs {
  SpeechRecord* record;
  std::function<std::unique_ptr<ISpeechEngine>()> makeEngine;
  DWORD pauseAfterSpeakMs;
  DWORD syncSpeakTimeoutMs;
};

// The filter as it stands, always terminated.
void CopyFilter(const SpeechRecord* record, char (&out)[kSpeechVoiceFilterSize]) {
  std::memcpy(out, record->voiceFilter, kSpeechVoiceFilterSize);
  out[kSpeechVoiceFilterSize - 1] = '\0';
}

// The second half of a name said in two languages, waiting for the first.
struct PendingName {
  std::wstring text;
  ULONGLONG since = 0;
  bool waiting() const { return !text.empty(); }
};

// A speak request: the texts and which of them the requester wants. The
// requester holds the request lock until the acknowledgement, so the texts
// stay put while the engine copies them.
void SpeakRequested(const SpeechRecord& record, ISpeechEngine& engine, PendingName* pending) {
  engine.HushEnglish();  // the second half of an earlier pair
  const bool english = record.secondText && *record.secondText && engine.HasEnglishVoice();
  if (english && record.speakWhich == kSpeechSecondOnly) {
    engine.SpeakEnglish(record.secondText);
    return;
  }
  if (record.text) engine.Speak(record.text);
  if (english && record.speakWhich == kSpeechFirstThenSecond) {
    pending->text = record.secondText;
    pending->since = ::GetTickCount64();
  }
}

// Serves requests until quit or an engine failure. Returns without having
// acknowledged anything when the engine cannot start.
void ServeRequests(const WorkerArgs& args) {
  SpeechRecord* record = args.record;
  std::unique_ptr<ISpeechEngine> engine = args.makeEngine ? args.makeEngine() : CreateSapiSpeechEngine();
  if (!engine || !engine->Open()) return;
  char filter[kSpeechVoiceFilterSize];
  CopyFilter(record, filter);
  if (!engine->ChooseVoice(filter, true)) return;
  engine->SetSyncSpeakTimeout(args.syncSpeakTimeoutMs);

  PendingName pending;
  bool served = true;
  for (;;) {
    // Acknowledged once per request served, never for a look at the voice:
    // a spare acknowledgement would end the next requester's wait too early.
    if (served) ::SetEvent(record->acknowledged);
    served = true;
    // Idle until the next request (requesters bound their own waits), or
    // until the Chinese half of a pair is said.
    const DWORD wait = ::WaitForMultipleObjects(kSpeechSlotCount, record->workerEvents, FALSE,
                                                pending.waiting() ? bimbly::kSpeechPairPollMs : INFINITE);
    if (wait == WAIT_TIMEOUT) {
      served = false;
      if (engine->VoiceDone()) {
        engine->SpeakEnglish(pending.text.c_str());
        pending.text.clear();
      } else if (::GetTickCount64() - pending.since >= bimbly::kSpeechPairGiveUpMs) {
        pending.text.clear();
      }
      continue;
    }
    pending.text.clear();  // every request cuts a pair short
    switch (static_cast<int>(wait - WAIT_OBJECT_0)) {
      case kSpeechSlotSpeak:
        SpeakRequested(*record, *engine, &pending);
        ::Sleep(args.pauseAfterSpeakMs);
        break;
      case kSpeechSlotVoice:
        CopyFilter(record, filter);
        if (!engine->ChooseVoice(filter, false)) return;
        break;
      case kSpeechSlotRate:
        if (!engine->SetRate(record->rate)) return;
        break;
      case kSpeechSlotStop:
        if (!engine->Stop()) return;
        break;
      case kSpeechSlotQuit:
        engine->Quit();
        return;
      default:  // a handle went bad: nothing more can be served
        return;
    }
  }
}

DWORD WINAPI WorkerMain(void* param) {
  std::unique_ptr<WorkerArgs> args(static_cast<WorkerArgs*>(param));
  try {
    fw::ScopedCoInit com(COINIT_APARTMENTTHREADED);
    ServeRequests(*args);  // the engine is gone before COM is uninitialised
  } catch (...) {
    // Nothing leaves the thread; requesters notice that it ended.
  }
  return 0;
}

void CloseEvents(SpeechRecord* record) {
  for (int i = 0; i < kSpeechSlotCount; ++i) {
    if (record->requestEvents[i]) ::CloseHandle(record->requestEvents[i]);
    record->requestEvents[i] = nullptr;
    record->workerEvents[i] = nullptr;
  }
  if (record->acknowledged) ::CloseHandle(record->acknowledged);
  record->acknowledged = nullptr;
}

bool CreateEvents(SpeechRecord* record) {
  for (int i = 0; i < kSpeechSlotCount; ++i) {
    record->requestEvents[i] = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    record->workerEvents[i] = record->requestEvents[i];
  }
  record->acknowledged = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  for (HANDLE h : record->requestEvents) {
    if (!h) return false;
  }
  return record->acknowledged != nullptr;
}

// The launcher's record, shut down and freed when the process ends. The
// record itself is plain data shared with the modules, so this is the owner of
// its handles and text.
struct LauncherRecordOwner {
  SpeechRecord record;
  LauncherRecordOwner() { InitSpeechRecord(&record); }
  ~LauncherRecordOwner() { DestroySpeechRecord(&record); }
};

}  // namespace

bool StartSpeechWorker(SpeechRecord* record, const SpeechWorkerOptions& options) {
  if (!record) return false;
  detail::RequestLock lock(record);
  if (!lock.held()) return false;
  if (record->worker) return true;
  if (record->acknowledged) return false;  // a worker ended earlier in this run
  if (!CreateEvents(record)) {
    CloseEvents(record);
    return false;
  }

  WorkerArgs* args = nullptr;
  try {
    args = new WorkerArgs{record, options.makeEngine, options.pauseAfterSpeakMs, options.syncSpeakTimeoutMs};
  } catch (...) {
    return false;  // out of memory: the launcher runs silently
  }
  HANDLE thread = ::CreateThread(nullptr, 0, WorkerMain, args, 0, nullptr);
  if (!thread) {
    delete args;
    return false;
  }
  record->worker = thread;

  const HANDLE handles[2] = {record->acknowledged, thread};
  const DWORD wait = ::WaitForMultipleObjects(2, handles, FALSE, options.startTimeoutMs);
  if (wait == WAIT_OBJECT_0) return true;
  // Let the thread go; should it ever reach its loop, the quit waiting for it
  // ends it there.
  ::SetEvent(record->requestEvents[kSpeechSlotQuit]);
  ::CloseHandle(thread);
  record->worker = nullptr;
  return false;
}

bool ShutdownSpeechWorker(SpeechRecord* record) {
  if (!record) return true;
  detail::RequestLock lock(record);
  // Even without the lock the owner goes on: it is the end of the record.
  if (record->worker) {
    ::SetEvent(record->requestEvents[kSpeechSlotQuit]);
    fw::JoinOrTerminate(record->worker, SpeechAckTimeout(record));
    ::CloseHandle(record->worker);
    record->worker = nullptr;
  }
  CloseEvents(record);
  return true;
}

void DestroySpeechRecord(SpeechRecord* record) {
  if (!record) return;
  ShutdownSpeechWorker(record);
  if (record->text) ::HeapFree(::GetProcessHeap(), 0, record->text);
  record->text = nullptr;
  if (record->secondText) ::HeapFree(::GetProcessHeap(), 0, record->secondText);
  record->secondText = nullptr;
  detail::CloseRequestLock(record);
}

SpeechRecord* ProcessSpeechRecord() {
  static LauncherRecordOwner owner;
  return &owner.record;
}

bool StartLauncherSpeech(const SpeechWorkerOptions& options) {
  // Start-up is single-threaded here, so the worker member can be read bare.
  SpeechRecord* record = ProcessSpeechRecord();
  StartSpeechWorker(record, options);
  SelectVoice(record, kDefaultSpeechVoiceFilter);
  if (!record->worker) {
    record->rate = 0;
    return false;
  }
  return ApplyRate(record, 0);
}

void StopLauncherSpeech() { ShutdownSpeechWorker(ProcessSpeechRecord()); }

}  // namespace speech
