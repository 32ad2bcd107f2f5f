// Measures the boards under Wine, driven like the end-to-end tests:
//   boards_bench.exe load <insects|sea> <list index> <copies> <idle s> <keys> <keys per s>
//       starts the item, sends out the copies, then prints "PHASE idle", waits,
//       prints "PHASE keys", sends the keys at the given rate, prints "PHASE end"
//       (bench/boards/run.sh reads the CPU of the processes at each phase);
//   boards_bench.exe sound <n>   key press to the first sample written to the
//       sound device (BIMBLY_SOUND_CAPTURE), on the pigeon board, n keys;
//   boards_bench.exe move <n>    key press to a new copy on screen and to its
//       first move, on the crab board, n new copies;
//   boards_bench.exe soak <keys> <switch every>  random keys across the whole
//       catalog, with the counts of the launcher process before and after;
//   boards_bench.exe show <category> <index> <keys> <hold s>  plays an item
//       and keeps it on screen, for a look (birds, sea, insects, animals, pets,
//       cars, boats, planes, music).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/boards/bench_phase.h"
#include "tests/e2e/game_session.h"
#include "tests/e2e/soak.h"

using namespace e2e;

namespace {

const wchar_t kInsects[] = L"\u6606\u866B";          // 昆虫
const wchar_t kSea[] = L"\u6D77\u5E95\u4E16\u754C";  // 海底世界
const wchar_t kBirds[] = L"\u9E1F\u7C7B";            // 鸟类
const wchar_t kCards[] = L"\u56FE\u5361";            // 图卡

double NowMs() {
  LARGE_INTEGER f, c;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&c);
  return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::vector<HWND> Owned(const GameSession& g, HWND owner) {
  std::vector<HWND> out;
  for (HWND h : TopLevelWindows(g.launcher.process.id()))
    if (::GetWindow(h, GW_OWNER) == owner) out.push_back(h);
  return out;
}

ULONGLONG FileBytes(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA d{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return 0;
  return (static_cast<ULONGLONG>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

WORD Letter(int i) { return static_cast<WORD>('A' + i % 26); }

int Load(GameSession& g, const wchar_t* category, int index, int copies, int idleS, int keys, int rate) {
  if (!g.StartItem(category, index)) return 1;
  Focus(g.game);
  HWND board = g.Board();
  for (int i = 0; i < copies; ++i) PressKey(Letter(i));
  WaitUntil([&] { return static_cast<int>(Owned(g, board).size()) == copies; }, 20000);
  ::Sleep(1500);  // let the first speed decay settle, as a board left alone
  bench::Phase("idle");
  ::Sleep(static_cast<DWORD>(idleS) * 1000);
  bench::Phase("keys");
  const double start = NowMs();
  for (int i = 0; i < keys; ++i) {
    PressKey(Letter(i));
    const double due = start + 1000.0 * (i + 1) / rate;
    const double left = due - NowMs();
    if (left > 0) ::Sleep(static_cast<DWORD>(left));
  }
  bench::Phase("end");
  std::printf("copies on screen: %zu\n", Owned(g, board).size());
  return 0;
}

int Sound(GameSession& g, int n) {
  wchar_t path[MAX_PATH] = {};
  if (!::GetEnvironmentVariableW(L"BIMBLY_SOUND_CAPTURE", path, MAX_PATH)) return 1;
  if (!g.StartItem(kBirds, 1)) return 1;  // pigeon: every key plays its call once
  Focus(g.game);
  HWND board = g.Board();
  for (int i = 0; i < 10; ++i) PressKey(Letter(i));
  WaitUntil([&] { return Owned(g, board).size() == 10; }, 20000);
  std::vector<double> ms;
  for (int i = 0; i < n; ++i) {
    // Silence first: no sample for 300 ms.
    ULONGLONG last = FileBytes(path);
    double quiet = NowMs();
    while (NowMs() - quiet < 300) {
      ::Sleep(5);
      const ULONGLONG b = FileBytes(path);
      if (b != last) {
        last = b;
        quiet = NowMs();
      }
    }
    const double t0 = NowMs();
    KeyDown(Letter(i));
    while (FileBytes(path) == last && NowMs() - t0 < 3000) ::Sleep(0);
    const double t1 = NowMs();
    KeyUp(Letter(i));
    if (t1 - t0 < 3000) ms.push_back(t1 - t0);
  }
  std::printf("key to first sound sample: median %.1f ms over %zu keys (min %.1f, max %.1f)\n", Median(ms), ms.size(),
              ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()),
              ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()));
  return 0;
}

int Move(GameSession& g, int n) {
  if (!g.StartItem(kSea, 1)) return 1;  // crab: 15 copies, double size, moving left
  Focus(g.game);
  HWND board = g.Board();
  std::vector<double> shown, moved;
  int made = 0;
  while (static_cast<int>(moved.size()) < n && made < n * 2) {
    if (Owned(g, board).size() >= 15) {
      // A fresh board: next item and back.
      PressKey(VK_NEXT, true);
      HWND other = g.WaitForNewBoard(board, 10000);
      PressKey(VK_PRIOR, true);
      board = g.WaitForNewBoard(other, 10000);
      if (!board) return 1;
      Focus(g.game);
      ::Sleep(300);
    }
    const std::vector<HWND> before = Owned(g, board);
    const double t0 = NowMs();
    PressKey(Letter(made++));
    HWND copy = nullptr;
    RECT first{};
    double t1 = 0;
    while (NowMs() - t0 < 5000) {
      for (HWND h : Owned(g, board))
        if (std::find(before.begin(), before.end(), h) == before.end() && ::IsWindowVisible(h)) copy = h;
      if (copy) {
        t1 = NowMs();
        first = WindowRectOf(copy);
        break;
      }
    }
    if (!copy) continue;
    while (NowMs() - t0 < 5000) {
      const RECT now = WindowRectOf(copy);
      if (!::EqualRect(&now, &first)) {
        shown.push_back(t1 - t0);
        moved.push_back(NowMs() - t0);
        break;
      }
    }
  }
  std::printf("key to new copy on screen: median %.1f ms; to its first move: median %.1f ms (%zu copies)\n",
              Median(shown), Median(moved), moved.size());
  return 0;
}

void PrintCounts(const char* label, const ProcessResourceCounts& c, size_t windows) {
  std::printf("%-7s threads %lu, handles %lu, private bytes %.1f MB, top-level windows %zu\n", label, c.threads,
              c.kernelHandles, static_cast<double>(c.privateBytes) / 1048576.0, windows);
}

int Soak(GameSession& g, int keys, int every) {
  if (!g.StartItem(kCards, 0)) return 1;
  MashKeyboard(g, 60, 0, 7);  // warm-up
  const size_t windowsBefore = TopLevelWindows(g.launcher.process.id(), false).size();
  const double t0 = NowMs();
  const SoakResult r = MashKeyboard(g, keys, every, 2026, /*forward=*/true);
  const size_t windowsAfter = TopLevelWindows(g.launcher.process.id(), false).size();
  std::printf("soak: %d keys, %d item switches in %.0f s, catalog row now %d\n", r.keys, r.switches,
              (NowMs() - t0) / 1000.0, BoardItemIndex(g.Board()));
  PrintCounts("before", r.before, windowsBefore);
  PrintCounts("after", r.after, windowsAfter);
  const bool left = g.LeaveWithExitWord();
  std::printf("exit word afterwards: %s\n", left ? "game ended" : "FAILED");
  return left ? 0 : 1;
}

int Show(GameSession& g, const std::wstring& category, int index, int keys, int holdS) {
  const struct {
    const wchar_t* key;
    const wchar_t* name;
  } kCategories[] = {{L"birds", kBirds},           {L"sea", kSea},
                     {L"insects", kInsects},       {L"animals", L"\u91CE\u751F\u52A8\u7269"},
                     {L"pets", L"\u5BA0\u7269"},   {L"cars", L"\u8F66"},
                     {L"boats", L"\u8239"},         {L"planes", L"\u98DE\u673A"},
                     {L"music", kMusicCategory}};
  const wchar_t* name = nullptr;
  for (const auto& c : kCategories)
    if (category == c.key) name = c.name;
  if (!name || !g.StartItem(name, index)) return 1;
  Focus(g.game);
  for (int i = 0; i < keys; ++i) PressKey(Letter(i));
  ::Sleep(static_cast<DWORD>(holdS) * 1000);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  auto arg = [&](int i, int fallback) { return argc > i ? _wtoi(argv[i]) : fallback; };
  ProgramFolder folder;
  GameSession g(folder);
  if (!g.launcher.ok()) return 1;
  if (mode == L"load") {
    const wchar_t* category = argc > 2 && std::wstring(argv[2]) == L"sea" ? kSea : kInsects;
    return Load(g, category, arg(3, 0), arg(4, 10), arg(5, 20), arg(6, 200), arg(7, 10));
  }
  if (mode == L"sound") return Sound(g, arg(2, 100));
  if (mode == L"move") return Move(g, arg(2, 100));
  if (mode == L"show") return Show(g, argc > 2 ? argv[2] : L"", arg(3, 0), arg(4, 1), arg(5, 5));
  if (mode == L"soak") return Soak(g, arg(2, 10000), arg(3, 150));
  std::fprintf(stderr, "usage: boards_bench.exe load|sound|move|soak ...\n");
  return 2;
}
