// How long one side waits for another before it gives up on it. Every wait
// across threads or processes in the suite is bounded by one of these; when
// the bound passes, the waiting side ends the other thread or program.
#pragma once

#include <cstdint>

namespace bimbly {

// A window thread creating its window, and ending after it was asked to.
inline constexpr std::uint32_t kWindowThreadCreateMs = 10000;
inline constexpr std::uint32_t kWindowThreadEndMs = 2000;
// After a thread was terminated: how long to wait for the termination to
// take effect before its handle is let go.
inline constexpr std::uint32_t kTerminatedThreadMs = 1000;
// A fade-in thread ends by itself within about 1.3 s.
inline constexpr std::uint32_t kFadeJoinMs = 3000;
// The speech worker's first acknowledgement, and every later one.
inline constexpr std::uint32_t kSpeechStartMs = 5000;
inline constexpr std::uint32_t kSpeechAckMs = 15000;
// The longest a speech requester can hold the request lock beyond one
// acknowledgement bound: the worker's start-up wait or the kill after a miss.
inline constexpr std::uint32_t kSpeechLockMarginMs = 5000;
// A name said in two languages: the worker looks this often whether the
// Chinese one is finished, and gives the English one up when it is not after
// the second bound (a voice stuck speaking).
inline constexpr std::uint32_t kSpeechPairPollMs = 40;
inline constexpr std::uint32_t kSpeechPairGiveUpMs = 15000;
// The game mutex, which only the game's own thread takes.
inline constexpr std::uint32_t kGameMutexMs = 5000;
// Another program asked to close: a short and a long grace period.
inline constexpr std::uint32_t kProgramCloseMs = 3000;
inline constexpr std::uint32_t kProgramCloseLongMs = 10000;
// The updater waits for a running game to end before it asks to close the
// launcher (an adult ends a game; a forgotten one is given up on after this),
// and its main thread waits for the worker that long and a little more.
inline constexpr std::uint32_t kGameEndWaitMs = 4u * 60 * 60 * 1000;
inline constexpr std::uint32_t kUpdateWorkerJoinMs = kGameEndWaitMs + 10u * 60 * 1000;

// ---- The updater and the update helper ----
// A download: connecting, the longest silence of the server, and the whole
// transfer unless its size asks for more (see TransferDeadlineMs).
inline constexpr std::uint32_t kDownloadConnectMs = 10000;
inline constexpr std::uint32_t kDownloadReadMs = 10000;
inline constexpr std::uint32_t kDownloadTotalMs = 60000;
// The download watchdog looks this often, and is given this long to end.
inline constexpr std::uint32_t kDownloadWatchdogTickMs = 250;
inline constexpr std::uint32_t kDownloadWatchdogJoinMs = 5000;
// Another program's state is looked at once a second while waiting for it
// to close or end; a run-once program of an update gets a minute.
inline constexpr std::uint32_t kProcessPollMs = 1000;
inline constexpr std::uint32_t kRunOnceProgramMs = 60000;
// A terminated program has really gone (its files are free) within this.
inline constexpr std::uint32_t kTerminatedProgramMs = 5000;

// Boards and their pictures.
// A picture's thread creating its window, and ending after it was asked to.
inline constexpr std::uint32_t kImageWindowCreateMs = kWindowThreadCreateMs;
inline constexpr std::uint32_t kImageWindowEndMs = kWindowThreadEndMs;
// A copy of a picture's drawing surface, taken on the picture's thread.
inline constexpr std::uint32_t kImageSnapshotMs = 2000;
// A moving picture's context-menu command, carried out on its thread.
inline constexpr std::uint32_t kObjectCommandMs = 2000;
// A board restacking its pictures asks each picture's thread this long, then
// asks without waiting.
inline constexpr std::uint32_t kRestackAnswerMs = 200;
// Work that a board's host runs on the board's thread waits first for the
// key the board may be serving: one picture made and enlarged, and a pulse.
inline constexpr std::uint32_t kBoardKeyInProgressMs = kImageWindowCreateMs + kObjectCommandMs + 1000;
// Pictures made together (their threads started at once, each decoding its
// own picture) are waited for with one bound for all of them.
inline constexpr std::uint32_t kImageWindowsTogetherMs = kImageWindowCreateMs;
// The board's set-up: its pictures made together, one shrunk.
inline constexpr std::uint32_t kBoardSetUpMs = kBoardKeyInProgressMs + kImageWindowsTogetherMs + kObjectCommandMs;
// The board's release: its pictures ended one after the other, each
// terminated at worst.
inline constexpr std::uint32_t BoardReleaseMs(std::uint32_t pictures) {
  return kBoardKeyInProgressMs + pictures * (kImageWindowEndMs + kTerminatedThreadMs);
}
// A board's sound thread ending: the one PlaySoundA call it may be in, which
// under Wine waits for the sound before to let its device go.
inline constexpr std::uint32_t kBoardSoundEndMs = 2000;
// A board background being drawn ahead, finished before its module may go.
inline constexpr std::uint32_t kBoardBackgroundAheadEndMs = 1000;
// A board's speech thread ending: the one stop and one speech request it may
// be in, each waiting for the request lock and for its acknowledgement.
inline constexpr std::uint32_t kBoardSpeechEndMs = 2 * (2 * kSpeechAckMs + kSpeechLockMarginMs);

}  // namespace bimbly
