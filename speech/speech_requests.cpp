#include "speech/speech_requests.h"

#include <cstring>
#include <string>

#include "core/wait_bounds.h"
#include "framework/text.h"
#include "framework/threads.h"
#include "speech/speech_request_lock.h"

namespace speech {

namespace {

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
  return detail::AwaitAcknowledgement(record, SpeechAckTimeout(record));
}

// A new zero-filled process-heap buffer holding the converted text and two
// terminating units, or null.
wchar_t* ConvertGbk(const char* gbk) noexcept {
  try {
    const std::wstring converted = fw::GbkToWide(gbk);
    if (converted.empty() && *gbk) return nullptr;
    const SIZE_T units = converted.size() + 2;
    auto* wide = static_cast<wchar_t*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, units * sizeof(wchar_t)));
    if (wide) std::memcpy(wide, converted.data(), converted.size() * sizeof(wchar_t));
    return wide;
  } catch (...) {
    return nullptr;  // out of memory: nothing is spoken
  }
}

}  // namespace

namespace detail {

RequestLock::RequestLock(SpeechRecord* record) noexcept
    : fw::ScopedMutexLock(EnsureLock(record), SpeechAckTimeout(record) + bimbly::kSpeechLockMarginMs) {}

void KillWorker(SpeechRecord* record) noexcept {
  if (!record->worker) return;
  fw::TerminateAndWait(record->worker);
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

}  // namespace detail

void InitSpeechRecord(SpeechRecord* record) {
  std::memset(record, 0, sizeof(*record));
  std::memcpy(record->voiceFilter, kDefaultSpeechVoiceFilter, sizeof(kDefaultSpeechVoiceFilter));
}

DWORD SpeechAckTimeout(const SpeechRecord* record) {
  return record->ackTimeoutMs ? record->ackTimeoutMs : bimbly::kSpeechAckMs;
}

bool SelectVoice(SpeechRecord* record, const char* filter) {
  if (!record) return false;
  detail::RequestLock lock(record);
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
  detail::RequestLock lock(record);
  if (!lock.held()) return false;
  record->rate = rate;
  return Request(record, kSpeechSlotRate);
}

bool StopSpeech(SpeechRecord* record) {
  if (!record) return false;
  detail::RequestLock lock(record);
  if (!lock.held()) return false;
  return Request(record, kSpeechSlotStop);
}

bool SpeakText(const char* gbkText, SpeechRecord* record) {
  if (!gbkText || !record) return false;
  wchar_t* wide = ConvertGbk(gbkText);
  if (!wide) return false;
  detail::RequestLock lock(record);
  if (!lock.held()) {
    ::HeapFree(::GetProcessHeap(), 0, wide);
    return false;
  }
  if (record->text) ::HeapFree(::GetProcessHeap(), 0, record->text);
  record->text = wide;
  if (!record->worker) return true;
  return Request(record, kSpeechSlotSpeak);
}

}  // namespace speech
