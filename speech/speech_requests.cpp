#include "speech/speech_requests.h"

#include <cstring>
#include <string>
#include <string_view>

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

// A new zero-filled process-heap buffer holding the text and two terminating
// units, or null.
wchar_t* HeapCopy(std::wstring_view text) noexcept {
  const SIZE_T units = text.size() + 2;
  auto* wide = static_cast<wchar_t*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, units * sizeof(wchar_t)));
  if (wide) std::memcpy(wide, text.data(), text.size() * sizeof(wchar_t));
  return wide;
}

wchar_t* ConvertGbk(const char* gbk) noexcept {
  try {
    const std::wstring converted = fw::GbkToWide(gbk);
    if (converted.empty() && *gbk) return nullptr;
    return HeapCopy(converted);
  } catch (...) {
    return nullptr;  // out of memory: nothing is spoken
  }
}

// Null for null or text that is not UTF-8.
wchar_t* ConvertUtf8(const char* utf8) noexcept {
  if (!utf8) return nullptr;
  const int units = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
  if (units <= 0) return nullptr;
  wchar_t* wide = static_cast<wchar_t*>(
      ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, (static_cast<SIZE_T>(units) + 1) * sizeof(wchar_t)));
  if (wide && ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide, units) <= 0) {
    ::HeapFree(::GetProcessHeap(), 0, wide);
    return nullptr;
  }
  return wide;
}

void Replace(wchar_t*& member, wchar_t* text) noexcept {
  if (member) ::HeapFree(::GetProcessHeap(), 0, member);
  member = text;
}

std::int32_t SpeechNamesFor(bimbly::SpeakLanguage language) {
  switch (language) {
    case bimbly::SpeakLanguage::kEnglish:
      return kSpeechSecondOnly;
    case bimbly::SpeakLanguage::kBoth:
      return kSpeechFirstThenSecond;
    case bimbly::SpeakLanguage::kChinese:
      break;
  }
  return kSpeechFirstOnly;
}

// Stores both texts (taking them) and asks the worker to speak.
bool Speak(wchar_t* first, wchar_t* second, std::int32_t which, SpeechRecord* record) noexcept {
  detail::RequestLock lock(record);
  if (!lock.held()) {
    ::HeapFree(::GetProcessHeap(), 0, first);
    if (second) ::HeapFree(::GetProcessHeap(), 0, second);
    return false;
  }
  Replace(record->text, first);
  Replace(record->secondText, second);
  record->speakWhich = second ? which : kSpeechFirstOnly;
  if (!record->worker) return true;
  return Request(record, kSpeechSlotSpeak);
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
  return Speak(wide, nullptr, kSpeechFirstOnly, record);
}

bool SpeakNames(const wchar_t* name, const wchar_t* secondName, const bimbly::NameSpeaking& how,
                SpeechRecord* record) {
  if (!name || !record) return false;
  if (how.quiet) return true;
  wchar_t* first = HeapCopy(name);
  if (!first) return false;
  wchar_t* second = secondName && *secondName ? HeapCopy(secondName) : nullptr;
  return Speak(first, second, SpeechNamesFor(how.language), record);
}

bool SpeakNamesGbk(const char* gbkName, const char* utf8SecondName, const bimbly::NameSpeaking& how,
                   SpeechRecord* record) {
  if (!gbkName || !record) return false;
  if (how.quiet) return true;
  wchar_t* first = ConvertGbk(gbkName);
  if (!first) return false;
  wchar_t* second = utf8SecondName && *utf8SecondName ? ConvertUtf8(utf8SecondName) : nullptr;
  return Speak(first, second, SpeechNamesFor(how.language), record);
}

}  // namespace speech
