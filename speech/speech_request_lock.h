// Internals shared by the requests and the worker's owner: the record's
// request lock and the acknowledgement wait.
#pragma once

#include "contracts/speech_record.h"
#include "framework/threads.h"

namespace speech::detail {

// Holds the record's request lock for a scope. The wait for it is bounded by
// the longest a holder can keep it (one acknowledgement bound plus a margin);
// an abandoned lock counts as taken.
class RequestLock : public fw::ScopedMutexLock {
 public:
  explicit RequestLock(SpeechRecord* record) noexcept;
};

// Terminates the worker thread, closes its handle and clears the member.
void KillWorker(SpeechRecord* record) noexcept;

// Waits for the worker's acknowledgement. A worker that ends instead (it gave
// up on an engine failure) or misses the bound is gone afterwards: its handle is
// closed and the member cleared (terminated first when it still runs).
bool AwaitAcknowledgement(SpeechRecord* record, DWORD timeoutMs) noexcept;

// Closes the record's lock; only when the record itself ends.
void CloseRequestLock(SpeechRecord* record) noexcept;

}  // namespace speech::detail
