#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "fake_speech_engine.h"
#include "speech/speech_requests.h"
#include "speech/speech_worker.h"
#include "core/wait_bounds.h"

using namespace speech;

namespace {

// "钢琴" (piano) in GBK and in UTF-16.
constexpr char kPianoGbk[] = "\xb8\xd6\xc7\xd9";
constexpr wchar_t kPianoWide[] = L"\u94a2\u7434";

ULONGLONG Now() { return ::GetTickCount64(); }

// The tick count moves in steps of about 16 ms.
constexpr ULONGLONG kTickSlackMs = 50;

// A record that is shut down and freed when the test ends.
struct TestRecord {
  SpeechRecord record;
  TestRecord() { InitSpeechRecord(&record); }
  ~TestRecord() { DestroySpeechRecord(&record); }
  SpeechRecord* get() { return &record; }
};

// Waits (bounded) until the engine has logged a call.
bool WaitForCall(FakeEngineState& state, const std::string& call, DWORD ms = bimbly::kSpeechAckMs) {
  const ULONGLONG end = Now() + ms;
  do {
    const auto calls = state.Calls();
    if (std::find(calls.begin(), calls.end(), call) != calls.end()) return true;
    ::Sleep(5);
  } while (Now() < end);
  return false;
}

TEST(SpeechRequests, WithoutWorkerOnlyTheTextAndFilterAreStored) {
  TestRecord r;
  EXPECT_STREQ(r.record.voiceFilter, "Microsoft Simplified Chinese");
  EXPECT_EQ(r.record.worker, nullptr);

  EXPECT_FALSE(StopSpeech(r.get()));
  EXPECT_FALSE(ApplyRate(r.get(), 3));
  EXPECT_FALSE(SelectVoice(r.get(), "Other voice"));
  EXPECT_STREQ(r.record.voiceFilter, "Other voice");  // copied even without a worker

  EXPECT_TRUE(SpeakText(kPianoGbk, r.get()));
  ASSERT_NE(r.record.text, nullptr);
  EXPECT_STREQ(r.record.text, kPianoWide);
  EXPECT_EQ(r.record.text[3], L'\0');  // (length + 2) zero-filled units
  EXPECT_EQ(::HeapSize(::GetProcessHeap(), 0, r.record.text), 4 * sizeof(wchar_t));

  const wchar_t* stored = r.record.text;
  EXPECT_FALSE(SpeakText(nullptr, r.get()));
  EXPECT_EQ(r.record.text, stored);  // left alone
  EXPECT_FALSE(SpeakText(kPianoGbk, nullptr));

  EXPECT_TRUE(SpeakText("", r.get()));
  ASSERT_NE(r.record.text, nullptr);
  EXPECT_STREQ(r.record.text, L"");
}

TEST(SpeechRequests, OverlongVoiceFilterIsCutToFit) {
  TestRecord r;
  const std::string longName(300, 'v');
  SelectVoice(r.get(), longName.c_str());
  EXPECT_EQ(std::string(r.record.voiceFilter), longName.substr(0, kSpeechVoiceFilterSize - 1));
}

TEST(SpeechWorker, StartChoosesTheVoiceOnTheWorkerThreadAndAcknowledges) {
  auto state = std::make_shared<FakeEngineState>();
  TestRecord r;
  ASSERT_TRUE(StartSpeechWorker(r.get(), FakeOptions(state)));
  ASSERT_NE(r.record.worker, nullptr);
  for (int i = 0; i < kSpeechSlotCount; ++i) {
    EXPECT_NE(r.record.workerEvents[i], nullptr);
    EXPECT_EQ(r.record.workerEvents[i], r.record.requestEvents[i]);
  }
  EXPECT_EQ(state->Calls(),
            (std::vector<std::string>{"open", "choose:Microsoft Simplified Chinese:start", "sync:100"}));
  EXPECT_NE(state->engineThread, ::GetCurrentThreadId());
  const HANDLE worker = r.record.worker;
  EXPECT_TRUE(StartSpeechWorker(r.get(), FakeOptions(state)));  // one worker only
  EXPECT_EQ(r.record.worker, worker);
  EXPECT_EQ(state->Calls().size(), 3u);
}

TEST(SpeechWorker, EachRequestReachesTheEngineBeforeItIsAcknowledged) {
  auto state = std::make_shared<FakeEngineState>();
  TestRecord r;
  SpeechWorkerOptions options = FakeOptions(state);
  ASSERT_TRUE(StartSpeechWorker(r.get(), options));

  EXPECT_TRUE(SelectVoice(r.get(), "Voice B"));
  EXPECT_EQ(state->Calls().back(), "choose:Voice B");
  EXPECT_TRUE(ApplyRate(r.get(), -4));
  EXPECT_EQ(state->Calls().back(), "rate:-4");
  EXPECT_EQ(r.record.rate, -4);

  const ULONGLONG start = Now();
  EXPECT_TRUE(SpeakText(kPianoGbk, r.get()));
  EXPECT_GE(Now() - start, 150u);  // the worker rests 200 ms before it is ready again
  ASSERT_EQ(state->Spoken().size(), 1u);
  EXPECT_EQ(state->Spoken()[0], kPianoWide);  // GBK converted with code page 936

  EXPECT_TRUE(StopSpeech(r.get()));
  EXPECT_EQ(state->Calls().back(), "stop");
}

TEST(SpeechWorker, StopCutsOffRunningSpeechAndTheNextNameIsSpoken) {
  auto state = std::make_shared<FakeEngineState>();
  TestRecord r;
  ASSERT_TRUE(StartSpeechWorker(r.get(), FakeOptions(state)));
  ASSERT_TRUE(SpeakText("first", r.get()));
  EXPECT_TRUE(state->IsSpeaking());
  // A second click: stop, then speak the new name.
  ASSERT_TRUE(StopSpeech(r.get()));
  EXPECT_FALSE(state->IsSpeaking());
  ASSERT_TRUE(SpeakText("second", r.get()));
  EXPECT_TRUE(state->IsSpeaking());
  EXPECT_EQ(state->Spoken(), (std::vector<std::wstring>{L"first", L"second"}));
}

// Waits (bounded by the speech bound) until the engine has said n texts.
std::vector<std::wstring> WaitForSpoken(FakeEngineState& state, size_t n) {
  const ULONGLONG end = Now() + bimbly::kSpeechAckMs;
  while (state.Spoken().size() < n && Now() < end) ::Sleep(5);
  return state.Spoken();
}

TEST(SpeechWorker, NamesAreSpokenInTheChosenLanguageAndQuietSpeaksNone) {
  using L = bimbly::SpeakLanguage;
  struct {
    const char* name;
    bimbly::NameSpeaking how;
    bool englishVoice;
    const char* second;  // UTF-8
    std::vector<std::wstring> spoken;
  } cases[] = {
      {"Chinese", {L::kChinese, false}, true, "Piano", {kPianoWide}},
      {"English", {L::kEnglish, false}, true, "Piano", {L"en:Piano"}},
      {"both: Chinese then English", {L::kBoth, false}, true, "Piano", {kPianoWide, L"en:Piano"}},
      {"English without an English voice", {L::kEnglish, false}, false, "Piano", {kPianoWide}},
      {"both without an English voice", {L::kBoth, false}, false, "Piano", {kPianoWide}},
      {"both without a second name", {L::kBoth, false}, true, "", {kPianoWide}},
      {"a UTF-8 second name", {L::kEnglish, false}, true, "Caf\xc3\xa9", {L"en:Caf\u00e9"}},
      {"quiet", {L::kBoth, true}, true, "Piano", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto state = std::make_shared<FakeEngineState>();
    state->hasEnglish = c.englishVoice;
    state->utteranceMs = 50;
    TestRecord r;
    ASSERT_TRUE(StartSpeechWorker(r.get(), FakeOptions(state)));
    EXPECT_TRUE(SpeakNamesGbk(kPianoGbk, c.second, c.how, r.get()));
    // A pair ends with its English half; then nothing more is said.
    EXPECT_EQ(WaitForSpoken(*state, c.spoken.size()), c.spoken);
    EXPECT_EQ(r.record.text == nullptr, c.how.quiet);
    EXPECT_TRUE(ShutdownSpeechWorker(r.get()));
    EXPECT_EQ(state->Spoken(), c.spoken);
  }
}

TEST(SpeechWorker, ANewRequestCutsAPairShort) {
  auto state = std::make_shared<FakeEngineState>();  // a text keeps the voice busy for 10 s
  TestRecord r;
  ASSERT_TRUE(StartSpeechWorker(r.get(), FakeOptions(state)));
  const bimbly::NameSpeaking both{bimbly::SpeakLanguage::kBoth, false};
  ASSERT_TRUE(SpeakNames(L"A", L"a", both, r.get()));
  ASSERT_TRUE(StopSpeech(r.get()));  // the voice is idle now, but "a" must not follow
  ASSERT_TRUE(SpeakNames(L"B", L"b", both, r.get()));
  ASSERT_TRUE(SpeakText("C", r.get()));  // a plain name: no second half
  EXPECT_EQ(r.record.secondText, nullptr);
  ASSERT_TRUE(StopSpeech(r.get()));
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->utteranceMs = 0;  // "D" is said at once, so "d" follows
  }
  ASSERT_TRUE(SpeakNames(L"D", L"d", both, r.get()));
  EXPECT_EQ(WaitForSpoken(*state, 5), (std::vector<std::wstring>{L"A", L"B", L"C", L"D", L"en:d"}));
}

TEST(SpeechWorker, MissedAcknowledgementKillsTheWorkerAndLaterRequestsOnlyStore) {
  auto state = std::make_shared<FakeEngineState>();
  state->hangInSpeak = true;
  TestRecord r;
  r.record.ackTimeoutMs = 1000;
  ASSERT_TRUE(StartSpeechWorker(r.get(), FakeOptions(state)));
  HANDLE worker = nullptr;
  ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), r.record.worker, ::GetCurrentProcess(), &worker, SYNCHRONIZE,
                                FALSE, 0));
  fw::UniqueKernelHandle workerCopy(worker);

  const ULONGLONG start = Now();
  EXPECT_FALSE(SpeakText("hang", r.get()));
  const ULONGLONG took = Now() - start;
  EXPECT_GE(took, 1000u - kTickSlackMs);
  EXPECT_LT(took, kFakeHangMs);  // given up on, not waited out
  EXPECT_EQ(r.record.worker, nullptr);
  EXPECT_EQ(::WaitForSingleObject(workerCopy.get(), 2000), WAIT_OBJECT_0);  // terminated
  EXPECT_STREQ(r.record.text, L"hang");                                     // kept, freed with the record

  r.record.ackTimeoutMs = 0;  // the full bound: a request that waited for it would show
  const ULONGLONG later = Now();
  EXPECT_TRUE(SpeakText(kPianoGbk, r.get()));
  EXPECT_STREQ(r.record.text, kPianoWide);
  EXPECT_FALSE(StopSpeech(r.get()));
  EXPECT_FALSE(ApplyRate(r.get(), 1));
  EXPECT_LT(Now() - later, SpeechAckTimeout(r.get()));  // nothing waited for the bound
  EXPECT_EQ(state->Spoken().size(), 1u);
  // An ended worker is not started again until the record is shut down.
  EXPECT_FALSE(StartSpeechWorker(r.get(), FakeOptions(state)));
}

TEST(SpeechWorker, EngineFailureEndsTheWorkerWithoutWaitingForTheBound) {
  auto state = std::make_shared<FakeEngineState>();
  state->rateResult = false;
  TestRecord r;  // default 15 s bound
  ASSERT_TRUE(StartSpeechWorker(r.get(), FakeOptions(state)));
  const ULONGLONG start = Now();
  EXPECT_FALSE(ApplyRate(r.get(), 2));
  EXPECT_LT(Now() - start, SpeechAckTimeout(r.get()));
  EXPECT_EQ(r.record.worker, nullptr);
  EXPECT_TRUE(SpeakText("stored", r.get()));
  EXPECT_TRUE(state->destroyed);  // released on its own thread as it ended
}

TEST(SpeechWorker, StartGivesUpWhenTheEngineCannotStart) {
  {
    auto state = std::make_shared<FakeEngineState>();
    state->openResult = false;
    TestRecord r;
    const ULONGLONG start = Now();
    EXPECT_FALSE(StartSpeechWorker(r.get(), FakeOptions(state)));
    EXPECT_LT(Now() - start, bimbly::kSpeechStartMs);  // the worker ended: no need to sit out the bound
    EXPECT_EQ(r.record.worker, nullptr);
    EXPECT_TRUE(SpeakText(kPianoGbk, r.get()));
    EXPECT_FALSE(StopSpeech(r.get()));
  }
  {
    // A start that hangs: given up after the bound, the thread is let go and
    // ends by itself once the engine returns.
    auto state = std::make_shared<FakeEngineState>();
    state->hangInOpen = true;
    TestRecord r;
    SpeechWorkerOptions options = FakeOptions(state);
    options.startTimeoutMs = 300;
    const ULONGLONG start = Now();
    EXPECT_FALSE(StartSpeechWorker(r.get(), options));
    const ULONGLONG took = Now() - start;
    EXPECT_GE(took, options.startTimeoutMs - kTickSlackMs);
    EXPECT_LT(took, kFakeHangMs);
    EXPECT_EQ(r.record.worker, nullptr);
    const ULONGLONG later = Now();
    EXPECT_TRUE(SpeakText("quiet", r.get()));
    EXPECT_LT(Now() - later, SpeechAckTimeout(r.get()));
    ::SetEvent(state->release.get());
    EXPECT_TRUE(WaitForCall(*state, "quit"));  // it reached its loop and found the quit
    // The let-go thread still holds the state; it lets the engine go on its way out.
    const ULONGLONG end = Now() + bimbly::kWindowThreadEndMs;
    while (Now() < end) {
      {
        std::lock_guard<std::mutex> lock(state->mutex);
        if (state->destroyed) break;
      }
      ::Sleep(5);
    }
  }
}

TEST(SpeechWorker, ShutdownEndsTheWorkerAndClosesTheEvents) {
  auto state = std::make_shared<FakeEngineState>();
  TestRecord r;
  ASSERT_TRUE(StartSpeechWorker(r.get(), FakeOptions(state)));
  ASSERT_TRUE(SpeakText("bye", r.get()));
  EXPECT_TRUE(ShutdownSpeechWorker(r.get()));
  EXPECT_EQ(state->Calls().back(), "quit");
  EXPECT_TRUE(state->destroyed);
  EXPECT_EQ(r.record.worker, nullptr);
  EXPECT_EQ(r.record.acknowledged, nullptr);
  for (int i = 0; i < kSpeechSlotCount; ++i) {
    EXPECT_EQ(r.record.workerEvents[i], nullptr);
    EXPECT_EQ(r.record.requestEvents[i], nullptr);
  }
  EXPECT_STREQ(r.record.text, L"bye");  // freed only with the record
  EXPECT_TRUE(ShutdownSpeechWorker(r.get()));

  // Shut down, the record can have a worker again.
  auto second = std::make_shared<FakeEngineState>();
  ASSERT_TRUE(StartSpeechWorker(r.get(), FakeOptions(second)));
  EXPECT_TRUE(SpeakText("again", r.get()));
  EXPECT_EQ(second->Spoken(), std::vector<std::wstring>{L"again"});

  DestroySpeechRecord(r.get());
  EXPECT_EQ(r.record.text, nullptr);
  EXPECT_EQ(r.record.requestLock, nullptr);
  EXPECT_EQ(r.record.worker, nullptr);
}

TEST(SpeechWorker, ConcurrentRequestersNeitherLoseNorShareTexts) {
  auto state = std::make_shared<FakeEngineState>();
  TestRecord r;
  SpeechWorkerOptions options = FakeOptions(state);
  options.pauseAfterSpeakMs = 0;
  ASSERT_TRUE(StartSpeechWorker(r.get(), options));

  constexpr int kThreads = 6;
  constexpr int kRounds = 150;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        const std::string text = "t" + std::to_string(t) + "-" + std::to_string(i);
        if (!SpeakText(text.c_str(), r.get())) ++failures;
        if (i % 7 == 0 && !StopSpeech(r.get())) ++failures;
      }
    });
  }
  for (auto& thread : threads) thread.join();

  EXPECT_EQ(failures.load(), 0);
  ASSERT_NE(r.record.worker, nullptr);
  // Every request was served once, with the text its own requester stored.
  const auto spoken = state->Spoken();
  EXPECT_EQ(spoken.size(), static_cast<size_t>(kThreads * kRounds));
  std::set<std::wstring> distinct(spoken.begin(), spoken.end());
  EXPECT_EQ(distinct.size(), spoken.size());
  EXPECT_TRUE(::HeapValidate(::GetProcessHeap(), 0, nullptr));
}

TEST(SpeechRequests, ConcurrentStoresWithoutWorkerFreeEachTextOnce) {
  TestRecord r;
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      const std::string text(1 + t * 13, static_cast<char>('a' + t));
      for (int i = 0; i < 2000; ++i) SpeakText(text.c_str(), r.get());
    });
  }
  for (auto& thread : threads) thread.join();
  ASSERT_NE(r.record.text, nullptr);
  const std::wstring last = r.record.text;
  ASSERT_FALSE(last.empty());
  EXPECT_EQ(last, std::wstring(last.size(), last[0]));  // one writer's text, whole
  EXPECT_TRUE(::HeapValidate(::GetProcessHeap(), 0, nullptr));
}

TEST(SpeechRequests, AbandonedRequestLockDoesNotBlockOthers) {
  TestRecord r;
  ASSERT_TRUE(SpeakText("first", r.get()));  // creates the lock
  ASSERT_NE(r.record.requestLock, nullptr);
  // A requester thread that dies holding the lock (a board thread ended by force).
  std::thread dying([&] {
    ASSERT_EQ(::WaitForSingleObject(r.record.requestLock, 1000), WAIT_OBJECT_0);
  });
  dying.join();
  const ULONGLONG start = Now();
  EXPECT_TRUE(SpeakText("second", r.get()));
  EXPECT_LT(Now() - start, SpeechAckTimeout(r.get()));  // a lock still held is waited for longer
  EXPECT_STREQ(r.record.text, L"second");
}

TEST(LauncherSpeech, StartUpSelectsTheVoiceAndRateAndExitEndsTheWorker) {
  auto state = std::make_shared<FakeEngineState>();
  SpeechRecord* record = ProcessSpeechRecord();
  ASSERT_EQ(record, ProcessSpeechRecord());
  EXPECT_TRUE(StartLauncherSpeech(FakeOptions(state)));
  EXPECT_EQ(state->Calls(), (std::vector<std::string>{"open", "choose:Microsoft Simplified Chinese:start", "sync:100",
                                                      "choose:Microsoft Simplified Chinese", "rate:0"}));
  StopLauncherSpeech();
  EXPECT_EQ(record->worker, nullptr);
  EXPECT_EQ(state->Calls().back(), "quit");
}

TEST(LauncherSpeech, WithoutSpeechStartUpIsQuickAndSilent) {
  auto state = std::make_shared<FakeEngineState>();
  state->openResult = false;
  SpeechRecord* record = ProcessSpeechRecord();
  const ULONGLONG start = Now();
  EXPECT_FALSE(StartLauncherSpeech(FakeOptions(state)));
  EXPECT_LT(Now() - start, bimbly::kSpeechStartMs);
  EXPECT_EQ(record->worker, nullptr);
  EXPECT_EQ(record->rate, 0);
  StopLauncherSpeech();
}

// The platform's own engine. Under Wine its voice cannot speak; either way the
// start must stay within its bound and the requests must come back.
TEST(SapiSpeech, StartingTheRealWorkerDoesNotHangStartUp) {
  TestRecord r;
  r.record.ackTimeoutMs = 5000;
  const ULONGLONG start = Now();
  const bool started = StartSpeechWorker(r.get());
  // The start bound, and the margin the request lock allows around it.
  EXPECT_LT(Now() - start, bimbly::kSpeechStartMs + bimbly::kSpeechLockMarginMs);
  std::printf("SAPI worker %s after %llu ms\n", started ? "started" : "unavailable",
              static_cast<unsigned long long>(Now() - start));
  if (started) SelectVoice(r.get());
  const ULONGLONG requests = Now();
  StopSpeech(r.get());
  EXPECT_TRUE(SpeakText(kPianoGbk, r.get()));
  // One missed acknowledgement at most: the worker is gone after it.
  EXPECT_LT(Now() - requests, SpeechAckTimeout(r.get()) + bimbly::kSpeechLockMarginMs);
  EXPECT_TRUE(ShutdownSpeechWorker(r.get()));
}

}  // namespace
