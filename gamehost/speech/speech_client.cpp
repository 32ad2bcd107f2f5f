#include "gamehost/speech/speech_client.h"

#include <cstring>

#include "gamehost/speech/speech_request_lock.h"

namespace {

constexpr DWORD kDefaultAckTimeoutMs = 15000;
// The longest a lock holder can need beyond one acknowledgement bound: the
// worker's start-up wait or the kill that follows a miss.
constexpr DWORD kLockMarginMs = 5000;
// Text is GBK everywhere in the suite, so the conversion names the code page
// rather than trusting the system's ANSI code page.
constexpr UINT kGbkCodePage = 936;

HANDLE EnsureLock(SpeechRecord* record) noexcept {
  HANDLE existing = static_cast<HANDLE>(
      ::InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&record->requestLock), nullptr, nullptr));
  if (existing) return existing;
  HANDLE created = ::CreateMutexW(nullptr, FALSE, nullptr);
  if (!created) return nullptr;
  HANDLE previous = static_cast<HANDLE>(::InterlockedCompareExchangePointer(
      reinterpret_cast<PVOID volatile*>(&record->requestLock), created, nullptr));
  if (previous) {  // another requester was first
    ::CloseHandle(created);
    return previous;
  }
  return created;
}

// Signals one slot and waits for the worker; the caller holds the lock.
bool Request(SpeechRecord* record, SpeechSlot slot) noexcept {
  if (!record->worker) return false;
  HANDLE event = record->requestEvents[slot];
  if (!event || !::SetEvent(event)) return false;
  return speech_detail::AwaitAcknowledgement(record, SpeechAckTimeout(record));
}

// A new zero-filled process-heap buffer of (converted length + 2) units.
wchar_t* ConvertGbk(const char* gbk) noexcept {
  const int length = ::MultiByteToWideChar(kGbkCodePage, 0, gbk, -1, nullptr, 0);  // counts the NUL
  if (length <= 0) return nullptr;
  const SIZE_T units = static_cast<SIZE_T>(length - 1) + 2;
  auto* wide = static_cast<wchar_t*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, units * sizeof(wchar_t)));
  if (!wide) return nullptr;
  ::MultiByteToWideChar(kGbkCodePage, 0, gbk, -1, wide, length);
  return wide;
}

}  // namespace

namespace speech_detail {

RequestLock::RequestLock(SpeechRecord* record) noexcept : mutex_(EnsureLock(record)) {
  if (!mutex_) return;
  const DWORD wait = ::WaitForSingleObject(mutex_, SpeechAckTimeout(record) + kLockMarginMs);
  held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

RequestLock::~RequestLock() {
  if (held_) ::ReleaseMutex(mutex_);
}

void KillWorker(SpeechRecord* record) noexcept {
  if (!record->worker) return;
  ::TerminateThread(record->worker, 1);
  ::CloseHandle(record->worker);
  record->worker = nullptr;
}

bool AwaitAcknowledgement(SpeechRecord* record, DWORD timeoutMs) noexcept {
  // Waiting on the thread too means a worker that has already given up is
  // noticed at once instead of after the whole bound.
  const HANDLE handles[2] = {record->acknowledged, record->worker};
  const DWORD wait = ::WaitForMultipleObjects(2, handles, FALSE, timeoutMs);
  if (wait == WAIT_OBJECT_0) return true;
  KillWorker(record);
  return false;
}

void CloseRequestLock(SpeechRecord* record) noexcept {
  if (record->requestLock) {
    ::CloseHandle(record->requestLock);
    record->requestLock = nullptr;
  }
}

}  // namespace speech_detail

void InitSpeechRecord(SpeechRecord* record) {
  std::memset(record, 0, sizeof(*record));
  std::memcpy(record->voiceFilter, kDefaultSpeechVoiceFilter, sizeof(kDefaultSpeechVoiceFilter));
}

DWORD SpeechAckTimeout(const SpeechRecord* record) {
  return record->ackTimeoutMs ? record->ackTimeoutMs : kDefaultAckTimeoutMs;
}

bool SelectVoice(SpeechRecord* record, const char* filter) {
  if (!record) return false;
  speech_detail::RequestLock lock(record);
  if (!lock.held()) return false;
  if (filter) {
    const size_t n = strnlen(filter, kSpeechVoiceFilterSize - 1);
    std::memcpy(record->voiceFilter, filter, n);
    std::memset(record->voiceFilter + n, 0, kSpeechVoiceFilterSize - n);
  }
  return Request(record, kSpeechSlotVoice);
}

bool ApplyRate(SpeechRecord* record, std::int32_t rate) {
  if (!record) return false;
  speech_detail::RequestLock lock(record);
  if (!lock.held()) return false;
  record->rate = rate;
  return Request(record, kSpeechSlotRate);
}

bool StopSpeech(SpeechRecord* record) {
  if (!record) return false;
  speech_detail::RequestLock lock(record);
  if (!lock.held()) return false;
  return Request(record, kSpeechSlotStop);
}

bool SpeakText(const char* gbkText, SpeechRecord* record) {
  if (!gbkText || !record) return false;
  wchar_t* wide = ConvertGbk(gbkText);
  if (!wide) return false;
  speech_detail::RequestLock lock(record);
  if (!lock.held()) {
    ::HeapFree(::GetProcessHeap(), 0, wide);
    return false;
  }
  if (record->text) ::HeapFree(::GetProcessHeap(), 0, record->text);
  record->text = wide;
  if (!record->worker) return true;
  return Request(record, kSpeechSlotSpeak);
}
