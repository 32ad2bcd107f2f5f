// Measures a running game: latency from SendInput of a key to the board's
// OnBoardKeyDown (median and 99th percentile), the time of one item switch,
// and a long keyboard soak with handle and thread counts before and after.
// Throughout the switches and the soak, a watcher thread times how long the
// game's main thread leaves a sent message unanswered: the keyboard lock's
// low-level hook runs on that thread, and the system drops the hook when a
// call waits longer than its time-out (300 ms by default).
// Usage: game_bench.exe [keys=1000] [switches=20] [soak keys=10000]
//        game_bench.exe soak [keys=100000] [keys per game=5000] [boards=0123]:
//        an hour of play, game after game across every board kind (or the
//        kinds given, as digits: 0 bee, 1 music, 2 car badges, 3 parrot), with
//        leak, crash, hang and watchdog checks.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <atomic>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/game_session.h"
#include "tests/e2e/soak.h"
#include "heap_census.h"  // beside this file
#include "wine_host.h"

using namespace e2e;

namespace {

double Ms(LONGLONG ticks) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(f.QuadPart);
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

void PrintCounts(const char* label, const ProcessResourceCounts& c) {
  std::printf("%-8s handles %lu, threads %lu, GDI objects %lu, USER objects %lu, private bytes %.1f MB\n", label,
              c.kernelHandles, c.threads, c.gdiObjects, c.userObjects, static_cast<double>(c.privateBytes) / 1048576.0);
}

// Sends WM_NULL to the game window every few milliseconds and keeps the
// longest wait for the answer: the longest stall of the game's main thread.
// Each stall over kLongStallMs is kept with its time and, sampled while it
// lasts, where the main thread was: the return addresses found on its stack
// that lie in a module's code right after a call, as "module+rva", innermost
// first (named with BIMBLY_KEEP_SYMBOLS and bench/game/name_addresses.sh).
class StallWatch {
 public:
  static constexpr long long kLongStallUs = 100000;
  struct Stall {
    LONGLONG start = 0, end = 0;              // performance-counter times
    std::vector<std::vector<std::string>> samples;  // one stack each
  };

  explicit StallWatch(HWND window) : window_(window) {
    DWORD pid = 0;
    mainThread_ = ::GetWindowThreadProcessId(window, &pid);
    process_ = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    thread_ = std::thread([this] { Run(); });
    if (process_ && mainThread_) sampler_ = std::thread([this] { Sample(); });
  }
  ~StallWatch() {
    stop_ = true;
    thread_.join();
    if (sampler_.joinable()) sampler_.join();
    if (process_) ::CloseHandle(process_);
  }
  // The longest stall since the last call, in ms, and how many passed 200 ms.
  double TakeLongest(int* over200 = nullptr) {
    if (over200) *over200 = over200_.exchange(0);
    return static_cast<double>(longestUs_.exchange(0)) / 1000.0;
  }
  // The stalls over kLongStallUs since the last call.
  std::vector<Stall> TakeLongStalls() {
    std::lock_guard<std::mutex> guard(lock_);
    return std::exchange(long_, {});
  }

 private:
  void Run() {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    while (!stop_) {
      LARGE_INTEGER t0, t1;
      ::QueryPerformanceCounter(&t0);
      pendingSince_ = t0.QuadPart;
      DWORD_PTR unused = 0;
      // Bounded: a game that hangs for good shows as a 5 s stall.
      ::SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &unused);
      ::QueryPerformanceCounter(&t1);
      const long long us = (t1.QuadPart - t0.QuadPart) * 1000000 / f.QuadPart;
      {
        std::lock_guard<std::mutex> guard(lock_);
        pendingSince_ = 0;
        if (us > kLongStallUs) long_.push_back({t0.QuadPart, t1.QuadPart, std::move(samples_)});
        samples_.clear();
      }
      long long seen = longestUs_.load();
      while (us > seen && !longestUs_.compare_exchange_weak(seen, us)) {
      }
      if (us > 200000) ++over200_;
      ::Sleep(5);
    }
  }

  // Every 20 ms of a send unanswered for over 40 ms: the main thread's stack.
  void Sample() {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    HANDLE thread = ::OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION, FALSE,
                                 mainThread_);
    const DWORD openError = thread ? 0 : ::GetLastError();
    LONGLONG listed = 0;
    while (!stop_) {
      ::Sleep(20);
      LARGE_INTEGER now;
      ::QueryPerformanceCounter(&now);
      const LONGLONG since = pendingSince_;
      if (!since || (now.QuadPart - since) * 1000 / f.QuadPart < 40) {
        // Modules come and go with the boards: listed again now and then,
        // between stalls (a listing takes tens of milliseconds under Wine).
        if (now.QuadPart - listed > 2 * f.QuadPart) code_ = heap_census::LoadedModules(process_), listed = now.QuadPart;
        continue;
      }
      double late = 0;
      std::vector<std::string> stack =
          thread ? StackOf(thread, &late)
                 : std::vector<std::string>{"(thread not opened, error " + std::to_string(openError) + ")"};
      // A sample whose thread took long to stop may show it after the stall.
      if (late > 10) stack.insert(stack.begin(), "(stopped after " + std::to_string(static_cast<int>(late)) + " ms)");
      std::lock_guard<std::mutex> guard(lock_);
      if (pendingSince_ == since && samples_.size() < 200) {
        samples_.push_back(std::move(stack));
      } else {
        for (Stall& st : long_)
          if (st.start == since && st.samples.size() < 200) st.samples.push_back(std::move(stack));
      }
    }
    if (thread) ::CloseHandle(thread);
  }

  // `lateMs`: how long the thread took to stop.
  std::vector<std::string> StackOf(HANDLE thread, double* lateMs) {
    LARGE_INTEGER f, t0, t1;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&t0);
    std::vector<std::string> frames;
    CONTEXT c{};
    c.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
    std::vector<ULONG_PTR> words(4096);
    SIZE_T got = 0;
    if (::SuspendThread(thread) == static_cast<DWORD>(-1))
      return {"(not suspended, error " + std::to_string(::GetLastError()) + ")"};
    if (!::GetThreadContext(thread, &c)) {
      frames.push_back("(no context, error " + std::to_string(::GetLastError()) + ")");
    } else {
      MEMORY_BASIC_INFORMATION m{};
      if (::VirtualQueryEx(process_, reinterpret_cast<void*>(c.Rsp), &m, sizeof(m)) == sizeof(m)) {
        const ULONG_PTR end = reinterpret_cast<ULONG_PTR>(m.BaseAddress) + m.RegionSize;
        const SIZE_T want = std::min<SIZE_T>(words.size() * sizeof(ULONG_PTR), end - c.Rsp);
        if (!::ReadProcessMemory(process_, reinterpret_cast<void*>(c.Rsp), words.data(), want, &got)) got = 0;
      }
    }
    ::ResumeThread(thread);
    ::QueryPerformanceCounter(&t1);
    *lateMs = Ms(t1.QuadPart - t0.QuadPart);
    words.resize(got / sizeof(ULONG_PTR));
    words.insert(words.begin(), c.Rip);
    const std::vector<heap_census::ModuleRange>& code = code_;
    const auto where = [&](ULONG_PTR at) -> const heap_census::ModuleRange* {
      for (const heap_census::ModuleRange& m : code)
        if (at >= m.base && at < m.end) return &m;
      return nullptr;
    };
    for (std::size_t i = 0; i < words.size() && frames.size() < 40; ++i) {
      const heap_census::ModuleRange* m = where(words[i]);
      if (!m) continue;
      // A return address follows a call: e8 rel32, or ff /2 in its forms
      // of 2 to 7 bytes (through a register, memory, an offset).
      unsigned char before[7] = {};
      if (i > 0 && !::ReadProcessMemory(process_, reinterpret_cast<void*>(words[i] - 7), before, 7, nullptr)) continue;
      const auto callAt = [&](int k) { return before[k] == 0xFF && (before[k + 1] & 0x38) == 0x10; };
      const bool call = i == 0 || before[2] == 0xE8 || callAt(0) || callAt(1) || callAt(3) || callAt(4) || callAt(5);
      if (!call) continue;
      char text[96];
      std::snprintf(text, sizeof(text), "%s%s+0x%llx", i == 0 ? "@" : "", m->name.c_str(),
                    static_cast<unsigned long long>(words[i] - m->base));
      frames.push_back(text);
    }
    return frames;
  }


  HWND window_;
  DWORD mainThread_ = 0;
  HANDLE process_ = nullptr;
  std::vector<heap_census::ModuleRange> code_;  // the sampler's
  std::atomic<bool> stop_{false};
  std::atomic<long long> longestUs_{0};
  std::atomic<int> over200_{0};
  std::atomic<LONGLONG> pendingSince_{0};
  std::mutex lock_;
  std::vector<std::vector<std::string>> samples_;  // of the send in flight
  std::vector<Stall> long_;
  std::thread thread_, sampler_;
};

// Listens to the debug output of every program on the desktop (the DBWIN
// protocol) and keeps the lines with which the game accounts for its item
// switches and its boards.
class DebugOutput {
 public:
  DebugOutput() {
    buffer_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER"));
    ready_.reset(::CreateEventW(nullptr, FALSE, TRUE, L"DBWIN_BUFFER_READY"));
    data_.reset(::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY"));
    view_ = buffer_ ? static_cast<const char*>(::MapViewOfFile(buffer_.get(), FILE_MAP_READ, 0, 0, 4096)) : nullptr;
    if (view_ && ready_ && data_) thread_ = std::thread([this] { Run(); });
  }
  ~DebugOutput() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (view_) ::UnmapViewOfFile(view_);
  }
  // The lines that begin with `prefix`, as they came.
  std::vector<std::string> Lines(const char* prefix) {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::string> found;
    for (const std::string& line : lines_)
      if (line.rfind(prefix, 0) == 0) found.push_back(line);
    return found;
  }
  // The lines that came between two performance-counter times, with the time each came.
  std::vector<std::pair<LONGLONG, std::string>> Between(LONGLONG from, LONGLONG to) {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::pair<LONGLONG, std::string>> found;
    for (std::size_t i = 0; i < lines_.size(); ++i)
      if (times_[i] >= from && times_[i] <= to) found.emplace_back(times_[i], lines_[i]);
    return found;
  }
  // The numbers after each "name ... ms" of the lines that begin with `prefix`
  // and came at `from` or later.
  std::vector<std::vector<double>> Figures(const char* prefix, LONGLONG from = 0) {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::vector<double>> rows;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const std::string& line = lines_[i];
      if (times_[i] < from || line.rfind(prefix, 0) != 0) continue;
      std::vector<double> row;
      for (const char* p = line.c_str(); *p; ++p)
        if ((*p >= '0' && *p <= '9') && (p == line.c_str() || p[-1] == ' ')) row.push_back(std::strtod(p, nullptr));
      rows.push_back(row);
    }
    return rows;
  }

 private:
  struct Handle {
    void operator()(HANDLE h) const { if (h) ::CloseHandle(h); }
  };
  using Owned = std::unique_ptr<void, Handle>;
  void Run() {
    while (!stop_) {
      if (::WaitForSingleObject(data_.get(), 100) != WAIT_OBJECT_0) continue;
      std::string text(view_ + sizeof(DWORD), strnlen(view_ + sizeof(DWORD), 4096 - sizeof(DWORD)));
      ::SetEvent(ready_.get());
      LARGE_INTEGER now;
      ::QueryPerformanceCounter(&now);
      std::lock_guard<std::mutex> guard(lock_);
      lines_.push_back(text);
      times_.push_back(now.QuadPart);
    }
  }
  Owned buffer_, ready_, data_;
  const char* view_ = nullptr;
  std::atomic<bool> stop_{false};
  std::mutex lock_;
  std::vector<std::string> lines_;
  std::vector<LONGLONG> times_;  // when each line came
  std::thread thread_;
};

void PrintFigures(DebugOutput& debug, const char* prefix, const char* const* names, size_t count,
                  LONGLONG from = 0) {
  const auto rows = debug.Figures(prefix, from);
  if (rows.empty()) return;
  std::printf("  %s (%zu)", prefix, rows.size());
  for (size_t i = 0; i < count; ++i) {
    std::vector<double> column;
    for (const auto& row : rows)
      if (i < row.size()) column.push_back(row[i]);
    std::printf("%s %s median %.1f ms, max %.1f ms", i ? ";" : "", names[i], Percentile(column, 0.5),
                Percentile(column, 1.0));
  }
  std::printf("\n");
}


// The watchdog's accounts: each reinstall as it came, and the sum of the
// keystrokes a thread took out of turn (late, after later ones) at a focus change.
void PrintWatchdogAccounts(DebugOutput& debug) {
  for (std::string line : debug.Lines("Hook watchdog: reinstalling")) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::printf("  %s\n", line.c_str());
  }
  unsigned long outOfTurn = 0, checks = 0;
  for (const std::string& line : debug.Lines("Hook watchdog: ")) {
    if (line.rfind("Hook watchdog: reinstalling", 0) == 0) continue;
    outOfTurn += std::strtoul(line.c_str() + std::strlen("Hook watchdog: "), nullptr, 10);
    ++checks;
  }
  if (checks)
    std::printf("  watchdog: %lu keystrokes taken out of turn at %lu checks, no reinstall for them\n", outOfTurn,
                checks);
}

// The board kinds an hour of play goes through, one game each in turn.
struct BoardKind {
  const char* name;
  const wchar_t* category;
  int index;
};
const wchar_t kInsectsCategory[] = L"\u6606\u866B";  // 昆虫: the bee board, cards with copies
const wchar_t kVehiclesCategory[] = L"\u8F66";       // 车: car badges
const wchar_t kBirdsCategory[] = L"\u9E1F\u7C7B";    // 鸟类: a pulse board (parrot)
const BoardKind kKinds[] = {
    {"cards (bee)", kInsectsCategory, 0},
    {"music", kMusicCategory, 0},
    {"car badges", kVehiclesCategory, 4},
    {"cards (pulse)", kBirdsCategory, 9},
};

// The board's background on screen: the board, or the window that shows it
// again under the board.
bool IsBoardBackground(HWND w, HWND board) {
  return w == board || (::GetWindow(w, GW_OWNER) == ::GetWindow(board, GW_OWNER) && IsBoardBackdrop(w));
}

// The middle of a menu's window: the board menu's second entry.
POINT MenuCentre(HWND menu) {
  const RECT r = WindowRectOf(menu);
  return {(r.left + r.right) / 2, r.top + (r.bottom - r.top) / 2};
}

// Opens the board's context menu with the right button and picks its second
// entry (next item): an item switch the way an adult makes it with the mouse.
// Null when it worked, else what did not come. A picture that flies under the
// pointer as it clicks opens a menu of its own (its thread's, not the
// board's): that one is closed with a click beside it and the board is
// clicked again, counted in `pictureMenus`. A right click that opens no menu
// at all is said and made again, counted in `lostClicks`.
const char* SwitchThroughMenu(GameSession& game, int* pictureMenus, int* lostClicks) {
  HWND old = game.Board();
  if (!old) return "no board to switch from";
  const DWORD boardThread = ::GetWindowThreadProcessId(old, nullptr);
  const int W = ::GetSystemMetrics(SM_CXSCREEN), H = ::GetSystemMetrics(SM_CYSCREEN);
  const POINT spots[] = {{W / 3, H / 3},      {W / 12, H / 12},     {W / 2, H / 12},
                         {W / 12, H / 2},     {11 * W / 12, H / 12}, {W / 3, 2 * H / 3}};
  static char why[400];
  for (int attempt = 0; attempt < 3; ++attempt) {
    // On the board itself. Under Wine the window order follows the pointer:
    // it goes there first, and the window found there afterwards is the one shown.
    POINT at = spots[attempt];
    for (const POINT p : spots) {
      ::SetCursorPos(p.x, p.y);
      ::Sleep(30);
      if (IsBoardBackground(::WindowFromPoint(p), old)) {
        at = p;
        break;
      }
    }
    HWND under = ::WindowFromPoint(at);
    const long keysBefore = game.BoardKeyDowns();
    ClickAt(at.x, at.y, false, /*right=*/true);
    HWND menu = nullptr;
    if (!WaitUntil([&] { return (menu = VisibleMenu()) != nullptr; }, 3000)) {
      // Said once, then the board is clicked again: a right click that
      // opened nothing, with what could have taken it.
      DWORD_PTR unused = 0;
      const bool answers = ::SendMessageTimeoutW(old, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &unused) != 0;
      std::snprintf(why, sizeof(why),
                    "no menu within 3 s, clicked on %s, the board took %ld keys meanwhile%s; its thread %s; the "
                    "foreground with %s",
                    IsBoardBackground(under, old)           ? "the board"
                    : ::GetWindow(under, GW_OWNER) == old   ? "a picture of the board"
                                                            : "another window",
                    game.BoardKeyDowns() - keysBefore, game.Board() == old ? "" : " and went",
                    answers ? "answers" : "does not answer in 2 s", ForegroundHolder(game, old));
      if (game.Board() != old) return why;
      if (lostClicks) ++*lostClicks;
      std::printf("  a right click opened no menu: %s\n", why);
      continue;
    }
    if (::GetWindowThreadProcessId(menu, nullptr) != boardThread) {
      if (pictureMenus) ++*pictureMenus;
      const RECT r = WindowRectOf(menu);
      ClickAt(r.left > W / 2 ? r.left - 40 : r.right + 40, r.top);
      WaitUntil([&] { return !::IsWindow(menu) || !::IsWindowVisible(menu); }, 1000);
      continue;
    }
    // Three entries of one height: previous, next, exit. A click that came
    // before the menu was ready to take it is made again.
    for (int click = 0; click < 3 && ::IsWindow(menu) && ::IsWindowVisible(menu); ++click) {
      ::Sleep(100);
      const POINT centre = MenuCentre(menu);
      ClickAt(centre.x, centre.y);
      WaitUntil([&] { return !::IsWindow(menu) || !::IsWindowVisible(menu); }, 1000);
    }
    if (game.WaitForNewBoard(old, 10000)) return nullptr;
    HWND there = ::WindowFromPoint(MenuCentre(menu));
    wchar_t cls[64] = L"";
    ::GetClassNameW(there, cls, 64);
    std::snprintf(why, sizeof(why), "no new board within 10 s after the board's menu (%s; at its centre %ls%s%s)",
                  ::IsWindow(menu) && ::IsWindowVisible(menu) ? "still open" : "closed", cls,
                  there == menu ? ", the menu" : "",
                  ::GetWindow(there, GW_OWNER) == old ? ", a window of the board" : "");
    return why;
  }
  return "three right clicks in a row met a picture's menu or opened none";
}

// Key-downs the board dropped because they had waited too long.
long KeysDropped(const GameSession& game) {
  HWND b = game.Board();
  return b ? static_cast<long>(reinterpret_cast<LONG_PTR>(::GetPropW(b, L"Bimbly.KeysDropped"))) : 0;
}

// The board: a full-screen window the game window owns (the time-up's
// reminder picture is owned by it too, but smaller, and so is the backdrop
// that shows the board's background under it).
HWND FullScreenBoard(const GameSession& game) {
  for (HWND h : TopLevelWindows(game.launcher.process.id()))
    if (::GetWindow(h, GW_OWNER) == game.game && !IsBoardBackdrop(h) &&
        WindowRectOf(h).right - WindowRectOf(h).left == ::GetSystemMetrics(SM_CXSCREEN))
      return h;
  return nullptr;
}


using QueryThread = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
QueryThread NtQueryThread() {
  return reinterpret_cast<QueryThread>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread")));
}

// The threads of a process by the module their start address lies in
// ("?" where it cannot be told): whose threads they are, ours or the
// system's (a worker pool, a sound driver's thread).
std::map<std::string, int> ThreadsByStartModule(HANDLE process, DWORD processId) {
  std::map<std::string, int> found;
  const QueryThread query = NtQueryThread();
  const std::vector<heap_census::ModuleRange> modules = heap_census::LoadedModules(process);
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return found;
  THREADENTRY32 te{};
  te.dwSize = sizeof(te);
  for (BOOL ok = ::Thread32First(snap, &te); ok; ok = ::Thread32Next(snap, &te)) {
    if (te.th32OwnerProcessID != processId) continue;
    std::string where = "?";
    HANDLE thread = ::OpenThread(THREAD_QUERY_INFORMATION, FALSE, te.th32ThreadID);
    ULONG_PTR start = 0;
    if (thread && query && query(thread, 9 /* ThreadQuerySetWin32StartAddress */, &start, sizeof(start), nullptr) == 0)
      for (const heap_census::ModuleRange& m : modules)
        if (start >= m.base && start < m.end) where = m.name;
    if (thread) ::CloseHandle(thread);
    ++found[where];
  }
  ::CloseHandle(snap);
  return found;
}

// The committed private memory of a process, by the allocation it belongs to.
std::map<ULONG_PTR, std::size_t> PrivateAllocations(HANDLE process) {
  std::map<ULONG_PTR, std::size_t> found;
  MEMORY_BASIC_INFORMATION m{};
  for (ULONG_PTR at = 0; ::VirtualQueryEx(process, reinterpret_cast<void*>(at), &m, sizeof(m)) == sizeof(m);) {
    if (m.State == MEM_COMMIT && m.Type == MEM_PRIVATE)
      found[reinterpret_cast<ULONG_PTR>(m.AllocationBase)] += m.RegionSize;
    const ULONG_PTR next = reinterpret_cast<ULONG_PTR>(m.BaseAddress) + m.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return found;
}

// Where private memory grew since `then`: allocations new or grown, summed
// as under 1 MB (heap blocks and small pools), 1 to 4 MB (thread stacks,
// heap segments) and larger (pictures and sound buffers), and what went.
std::string PrivateGrowth(const std::map<ULONG_PTR, std::size_t>& then, const std::map<ULONG_PTR, std::size_t>& now) {
  double small = 0, middle = 0, large = 0, gone = 0;
  int smallN = 0, middleN = 0, largeN = 0;
  for (const auto& [base, bytes] : now) {
    const auto was = then.find(base);
    const double grown = static_cast<double>(bytes) - (was == then.end() ? 0.0 : static_cast<double>(was->second));
    if (grown <= 0) continue;
    if (bytes < (1u << 20))
      small += grown, ++smallN;
    else if (bytes <= (4u << 20))
      middle += grown, ++middleN;
    else
      large += grown, ++largeN;
  }
  for (const auto& [base, bytes] : then)
    if (!now.count(base)) gone += static_cast<double>(bytes);
  char text[200];
  std::snprintf(text, sizeof(text), "+%.1f MB in %d under 1 MB, +%.1f MB in %d of 1-4 MB, +%.1f MB in %d larger; %.1f MB gone",
                small / 1048576.0, smallN, middle / 1048576.0, middleN, large / 1048576.0, largeN, gone / 1048576.0);
  return text;
}

// Threads that started in the suite's own programs and modules; the rest
// are the system's (Wine's sound and MIDI workers, its thread pool).
bool OursModule(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name == "tobble.exe" || name == "keyhush.dll" || name == "music.dll" || name.rfind("deck", 0) == 0;
}

// Under Wine a process's private bytes are its resident anonymous memory on
// the Linux side, Wine's own Unix side included: the C library's heaps that
// Wine's drivers and the Unix halves of its system DLLs allocate from (X11,
// layered windows' pictures, the sound driver). That C library keeps a large
// block once freed (its threshold for handing blocks back to the system rises
// with each large block freed) and each thread's heap at its highest use, so
// that part rises over the first games and then levels off. Told apart here from /proc
// through Wine's Z: drive: resident memory the Windows side has committed,
// and the rest. On Windows nothing is known and the whole figure is judged.
struct PrivateSplit {
  bool known = false;
  double windowsMb = 0;  // in memory the Windows side committed (the suite's heaps, DLLs, stacks)
  double unixMb = 0;     // outside it: Wine's Unix side
  double workersMb = 0;  // the stacks of Wine's own threads (its sound workers come and go)
  // Of the Windows side: free memory that Wine's heaps keep committed, in the
  // newer C run-time's heap and in the process heap. Wine's own DLLs
  // allocate from them (the suite's run-time is msvcrt's; it puts only its
  // speech texts in the process heap); a span freed in the middle of a heap
  // stays committed under Wine, where Windows gives large free spans back.
  // Free memory, not anything held: shown apart, not judged. What is held
  // there still counts.
  double wineKeptFreeMb = 0;
  double JudgedMb() const { return windowsMb - wineKeptFreeMb; }
  std::map<ULONG_PTR, double> windowsKb;  // the Windows side by allocation
};

// Where the Windows side grew since `then`: the three allocations that grew
// most (over 128 KB), named by their module or kind.
std::string WindowsSideGrowth(HANDLE process, const PrivateSplit& then, const PrivateSplit& now) {
  std::vector<std::pair<double, ULONG_PTR>> grown;
  for (const auto& [base, kb] : now.windowsKb) {
    const auto was = then.windowsKb.find(base);
    const double d = kb - (was == then.windowsKb.end() ? 0.0 : was->second);
    if (d > 128) grown.emplace_back(d, base);
  }
  std::sort(grown.rbegin(), grown.rend());
  std::string text;
  for (std::size_t i = 0; i < grown.size() && i < 3; ++i) {
    MEMORY_BASIC_INFORMATION m{};
    ::VirtualQueryEx(process, reinterpret_cast<void*>(grown[i].second), &m, sizeof(m));
    char name[MAX_PATH] = "";
    if (m.Type == MEM_IMAGE) ::GetModuleBaseNameA(process, static_cast<HMODULE>(m.AllocationBase), name, MAX_PATH);
    char one[200];
    std::snprintf(one, sizeof(one), "%s+%.0f KB at %p (%s)", text.empty() ? "" : ", ", grown[i].first,
                  reinterpret_cast<void*>(grown[i].second),
                  m.Type == MEM_IMAGE ? name : m.Type == MEM_MAPPED ? "mapped" : "private");
    text += one;
  }
  return text;
}

// The stacks of the threads the system started (Wine's workers), as address
// ranges: from the stack's allocation to its base.
std::vector<std::pair<ULONG_PTR, ULONG_PTR>> SystemThreadStacks(HANDLE process, DWORD processId) {
  std::vector<std::pair<ULONG_PTR, ULONG_PTR>> stacks;
  const QueryThread query = NtQueryThread();
  if (!query) return stacks;
  std::vector<heap_census::ModuleRange> modules = heap_census::LoadedModules(process);  // the suite's own
  modules.erase(std::remove_if(modules.begin(), modules.end(), [](const heap_census::ModuleRange& m) { return !OursModule(m.name); }),
                modules.end());
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return stacks;
  THREADENTRY32 te{};
  te.dwSize = sizeof(te);
  for (BOOL ok = ::Thread32First(snap, &te); ok; ok = ::Thread32Next(snap, &te)) {
    if (te.th32OwnerProcessID != processId) continue;
    HANDLE thread = ::OpenThread(THREAD_QUERY_INFORMATION, FALSE, te.th32ThreadID);
    if (!thread) continue;
    ULONG_PTR start = 0;
    struct {
      LONG exitStatus;
      void* teb;
      ULONG_PTR clientId[2];
      ULONG_PTR affinity;
      LONG priority, basePriority;
    } basic{};
    const bool queried = query(thread, 9 /* ThreadQuerySetWin32StartAddress */, &start, sizeof(start), nullptr) == 0 &&
                         query(thread, 0 /* ThreadBasicInformation */, &basic, sizeof(basic), nullptr) == 0;
    ::CloseHandle(thread);
    if (!queried) continue;
    bool ours = false;
    for (const heap_census::ModuleRange& m : modules) ours = ours || (start >= m.base && start < m.end);
    NT_TIB tib{};
    MEMORY_BASIC_INFORMATION m{};
    if (ours || !::ReadProcessMemory(process, basic.teb, &tib, sizeof(tib), nullptr) ||
        ::VirtualQueryEx(process, tib.StackLimit, &m, sizeof(m)) != sizeof(m))
      continue;
    stacks.emplace_back(reinterpret_cast<ULONG_PTR>(m.AllocationBase), reinterpret_cast<ULONG_PTR>(tib.StackBase));
  }
  ::CloseHandle(snap);
  return stacks;
}

PrivateSplit SplitPrivate(HANDLE process, DWORD processId, int unixPid) {
  PrivateSplit split;
  if (!unixPid) return split;
  const auto workers = SystemThreadStacks(process, processId);
  bool committed = false, worker = false;
  void* allocation = nullptr;
  double windowsKb = 0, unixKb = 0, workersKb = 0;
  wine_host::WalkSmaps(
      unixPid,
      [&](ULONG_PTR start) {
        MEMORY_BASIC_INFORMATION m{};
        committed = ::VirtualQueryEx(process, reinterpret_cast<void*>(start), &m, sizeof(m)) == sizeof(m) &&
                    m.State == MEM_COMMIT;
        allocation = m.AllocationBase;
        worker = false;
        for (const auto& [from, to] : workers) worker = worker || (start >= from && start < to);
      },
      [&](double kb) {
        (!committed ? unixKb : worker ? workersKb : windowsKb) += kb;
        if (committed && !worker && kb > 0) split.windowsKb[reinterpret_cast<ULONG_PTR>(allocation)] += kb;
        split.known = true;
      });
  split.windowsMb = windowsKb / 1024.0;
  split.unixMb = unixKb / 1024.0;
  split.workersMb = workersKb / 1024.0;
  return split;
}

// The launcher's heaps, counted from inside it: heap_probe.dll (beside this
// program) is loaded there by a remote thread and writes its census to a
// file. Empty when it could not be taken.
std::wstring BesideThisProgram(const wchar_t* name) {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder(self);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder + name;
}
std::wstring HeapCensusFile() { return BesideThisProgram(L"heap_census.txt"); }

std::vector<heap_census::Heap> LauncherHeaps(HANDLE process, unsigned* handles = nullptr) {
  const std::wstring probe = BesideThisProgram(L"heap_probe.dll"), out = HeapCensusFile();
  static HMODULE local = ::LoadLibraryW(probe.c_str());
  if (!local) return {};
  const auto remoteBase = [&](const char* name) -> ULONG_PTR {
    for (const heap_census::ModuleRange& m : heap_census::LoadedModules(process))
      if (_stricmp(m.name.c_str(), name) == 0) return m.base;
    return 0;
  };
  // Runs `start` (an address in this process's copy of `module`) there with a
  // copy of `text` as its argument.
  const auto call = [&](HMODULE module, const char* name, const void* start, const std::wstring& text) -> bool {
    const ULONG_PTR base = remoteBase(name);
    if (!base) return false;
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    void* arg = ::VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!arg) return false;
    bool ok = false;
    if (::WriteProcessMemory(process, arg, text.c_str(), bytes, nullptr)) {
      const auto entry = reinterpret_cast<LPTHREAD_START_ROUTINE>(
          base + (reinterpret_cast<ULONG_PTR>(start) - reinterpret_cast<ULONG_PTR>(module)));
      if (HANDLE t = ::CreateRemoteThread(process, nullptr, 0, entry, arg, 0, nullptr)) {
        ok = ::WaitForSingleObject(t, 30000) == WAIT_OBJECT_0;
        ::CloseHandle(t);
      }
    }
    ::VirtualFreeEx(process, arg, 0, MEM_RELEASE);
    return ok;
  };
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (!remoteBase("heap_probe.dll") &&
      !call(kernel, "kernel32.dll", reinterpret_cast<const void*>(::GetProcAddress(kernel, "LoadLibraryW")), probe))
    return {};
  ::DeleteFileW(out.c_str());
  if (!call(local, "heap_probe.dll", reinterpret_cast<const void*>(::GetProcAddress(local, "HeapProbeWrite")), out))
    return {};
  const std::string text = wine_host::ReadHostFile(out);
  return heap_census::Read(text.data(), text.size(), handles);
}

// The launcher's heaps that grew since `then`, and by what kind of block.
std::string HeapGrowth(const std::vector<heap_census::Heap>& then, const std::vector<heap_census::Heap>& now,
                       HANDLE process) {
  const std::vector<heap_census::ModuleRange> modules = heap_census::LoadedModules(process);
  return heap_census::Growth(then, now, modules);
}

int CountThreads(const std::map<std::string, int>& threads, bool ours) {
  int n = 0;
  for (const auto& [name, count] : threads)
    if (OursModule(name) == ours) n += count;
  return n;
}

// "module +n" for every module with more threads in `now` than in `then`.
std::string MoreThreads(const std::map<std::string, int>& then, const std::map<std::string, int>& now) {
  std::string more;
  for (const auto& [name, n] : now) {
    const auto was = then.find(name);
    const int d = n - (was == then.end() ? 0 : was->second);
    if (d > 0) more += (more.empty() ? "" : ", ") + name + " +" + std::to_string(d);
  }
  return more;
}

// The launcher's counts once threads that end after the game window have
// gone: until they match `expected` or hold still for two polls (5 s at most).
ProcessResourceCounts SettledCounts(HANDLE process, DWORD id, const ProcessResourceCounts* expected) {
  ProcessResourceCounts last = ProcessResourceCounts::Of(process, id);
  for (int i = 0, still = 0; i < 10 && still < 2; ++i) {
    if (expected && last.threads == expected->threads) break;
    ::Sleep(500);
    const ProcessResourceCounts now = ProcessResourceCounts::Of(process, id);
    still = now.threads == last.threads ? still + 1 : 0;
    last = now;
  }
  return last;
}

// Nothing more than before the game; fewer is a worker of an earlier game
// that has ended since.
// Threads are judged apart, by whose they are.
bool CountsBack(const ProcessResourceCounts& before, const ProcessResourceCounts& after) {
  return after.kernelHandles <= before.kernelHandles && after.gdiObjects <= before.gdiObjects &&
         after.userObjects <= before.userObjects;
}

// Each stall over 100 ms: when it came, how long it lasted, the host's
// accounts that came during it or within 300 ms after (an account comes at
// the end of what it times), and the stacks the main thread showed, most
// often first. `tally` sums the stalls by the innermost frame in the suite's
// own code (or the innermost frame at all when none is).
// True when the keyboard lock was held during any part of [from, to]: the
// game says when it takes the lock and when it lets it go.
bool LockHeldDuring(DebugOutput& debug, LONGLONG from, LONGLONG to) {
  bool held = false;
  for (const auto& [at, line] : debug.Between(0, to)) {
    const bool take = line.rfind("Keyboard lock: held", 0) == 0, let = line.rfind("Keyboard lock: let go", 0) == 0;
    if (!take && !let) continue;
    if (at >= from) return true;  // taken or let go during it
    held = take;
  }
  return held;
}

// Returns the longest of them while the keyboard lock was held (0 for none).
double PrintLongStalls(const std::vector<StallWatch::Stall>& stalls, DebugOutput& debug, LONGLONG origin,
                       std::map<std::string, std::pair<int, double>>& tally) {
  double longestLocked = 0;
  for (const StallWatch::Stall& s : stalls) {
    const bool locked = LockHeldDuring(debug, s.start, s.end);
    if (locked) longestLocked = std::max(longestLocked, Ms(s.end - s.start));
    std::printf("  stall %.0f ms at %.1f s, keyboard lock %s\n", Ms(s.end - s.start), Ms(s.start - origin) / 1000.0,
                locked ? "held" : "not held");
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    for (auto [at, line] : debug.Between(s.start, s.end + f.QuadPart * 3 / 10)) {
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      std::printf("    %+.0f ms: %s\n", Ms(at - s.start), line.c_str());
    }
    std::map<std::string, int> seen;
    std::string ourFrame;
    for (const auto& stack : s.samples) {
      std::string text;
      for (const std::string& frame : stack) text += (text.empty() ? "" : " < ") + frame;
      ++seen[text];
      if (ourFrame.empty())
        for (const std::string& frame : stack) {
          const std::string module = frame.substr(frame[0] == '@' ? 1 : 0, frame.find('+') - (frame[0] == '@' ? 1 : 0));
          if (OursModule(module)) {
            ourFrame = frame[0] == '@' ? frame.substr(1) : frame;
            break;
          }
        }
    }
    if (ourFrame.empty())
      for (const auto& stack : s.samples)
        for (const std::string& frame : stack)
          if (ourFrame.empty() && frame[0] != '(') ourFrame = frame[0] == '@' ? frame.substr(1) : frame;
    if (ourFrame.empty()) ourFrame = "(no sample)";
    auto& t = tally[(locked ? "" : "(lock not held) ") + ourFrame];
    ++t.first;
    t.second += Ms(s.end - s.start);
    std::vector<std::pair<int, std::string>> byCount;
    for (const auto& [text, n] : seen) byCount.emplace_back(n, text);
    std::sort(byCount.rbegin(), byCount.rend());
    for (std::size_t i = 0; i < byCount.size() && i < 3; ++i)
      std::printf("    %d of %zu samples: %s\n", byCount[i].first, s.samples.size(), byCount[i].second.c_str());
  }
  return longestLocked;
}

void PrintStallTally(const std::map<std::string, std::pair<int, double>>& tally) {
  if (tally.empty()) return;
  std::vector<std::pair<double, std::string>> order;
  for (const auto& [frame, t] : tally) order.emplace_back(t.second, frame);
  std::sort(order.rbegin(), order.rend());
  std::printf("stalls over 100 ms by the innermost frame of the suite's own code:\n");
  for (const auto& [ms, frame] : order)
    std::printf("  %s: %d stalls, %.0f ms in all\n", frame.c_str(), tally.at(frame).first, ms);
}

// `boards`: the kinds to play in turn, as digits of kKinds (all of them when empty).
int RunPlaySoak(int totalKeys, int keysPerGame, const std::wstring& boards) {
  std::vector<const BoardKind*> kinds;
  for (wchar_t c : boards)
    if (c >= L'0' && c < L'0' + static_cast<wchar_t>(std::size(kKinds))) kinds.push_back(&kKinds[c - L'0']);
  if (kinds.empty())
    for (const BoardKind& k : kKinds) kinds.push_back(&k);
  const int keysInGame = keysPerGame > 0 ? keysPerGame : 5000;
  constexpr int kKeysPerRound = 1000;  // a menu switch between rounds
  DebugOutput debug;
  ProgramFolder folder;
  GameSession game(folder);
  if (!game.launcher.ok()) {
    std::fprintf(stderr, "could not start the launcher\n");
    return 1;
  }
  const HANDLE launcher = game.launcher.process.handle();
  const DWORD launcherId = game.launcher.process.id();
  const ProcessResourceCounts start = ProcessResourceCounts::Of(launcher, launcherId);
  PrintCounts("start", start);
  const std::map<std::string, int> startThreads = ThreadsByStartModule(launcher, launcherId);
  std::map<std::string, int> firstGameThreads;
  int keys = 0, games = 0, switches = 0, menuSwitches = 0, pictureMenus = 0, lostClicks = 0, timeUps = 0, hangs = 0,
      reinstalls = 0, leaks = 0;
  bool crashed = false;
  std::size_t firstGameBytes = 0, firstRoundBytes = 0;
  std::map<ULONG_PTR, std::size_t> firstRoundMemory;
  double worstBytes = 0, longestStall = 0, longestLockedStall = 0;
  // Wine's own Unix side apart from what the suite's Windows side holds.
  const int unixPid = wine_host::UnixPidOf("Tobble.exe");
  PrivateSplit firstGameSplit, firstRoundSplit, lastSplit;
  std::vector<double> unixAfterGame;
  // Loaded now, so that the probe itself is in every census.
  std::vector<heap_census::Heap> firstGameHeaps = LauncherHeaps(launcher);
  unsigned firstGameHandles = 0;
  double worstWindows = 0;
  std::map<std::string, std::pair<int, double>> stallTally;
  LARGE_INTEGER origin;
  ::QueryPerformanceCounter(&origin);
  unsigned seed = 4242;
  while (keys < totalKeys && !crashed) {
    const BoardKind& kind = *kinds[static_cast<size_t>(games) % kinds.size()];
    // The first game starts what the launcher keeps for later games (workers
    // made on first use): its end is where the counts start.
    const ProcessResourceCounts before = SettledCounts(launcher, launcherId, nullptr);
    const std::map<std::string, int> threadsBefore = ThreadsByStartModule(launcher, launcherId);
    // The game runs on the launcher's thread: watched through the launcher's
    // window from before the game starts until after it ended.
    auto stalls = std::make_unique<StallWatch>(game.launcher.frame);
    if (!game.StartItem(kind.category, kind.index)) {
      std::printf("game %d (%s): could not start\n", games + 1, kind.name);
      ++hangs;
      break;
    }
    ++games;
    Focus(game.game);
    double stall = 0;
    int gameReinstalls = 0;
    {
      for (int done = 0; done < keysInGame && keys < totalKeys;) {
        const int n = std::min(kKeysPerRound, std::min(keysInGame - done, totalKeys - keys));
        const SoakResult r = MashKeyboard(game, n, 300, seed++);
        keys += r.keys;
        switches += r.switches;
        done += r.keys + r.switches + r.unanswered;
        if (r.unanswered > 0)
          hangs += r.unanswered, std::printf("game %d: %d Page Downs brought no new board within 10 s (the last: %s)\n",
                                             games, r.unanswered, r.lastUnanswered);
        if (!game.launcher.process.running()) break;
        const long taken = game.BoardKeyDowns(), dropped = KeysDropped(game);
        if (const char* failed = SwitchThroughMenu(game, &pictureMenus, &lostClicks))
          ++hangs, std::printf("game %d: the menu switch failed: %s (board took %ld keys, dropped %ld)\n", games,
                               failed, taken, dropped);
        else
          ++menuSwitches;
        Focus(game.game);
      }
      // The time runs out while keys still wait in the board's queue.
      for (int i = 0; i < 40; ++i) PressKey(static_cast<WORD>('A' + i % 26));
      ::PostMessageW(game.game, WM_TIMER, 1, 0);
      ++timeUps;
      if (!WaitUntil([&] { return FullScreenBoard(game) == nullptr; }, 10000))
        ++hangs, std::printf("game %d: the board stayed after the time-up\n", games);
      ::Sleep(1000);
      gameReinstalls =
          static_cast<int>(reinterpret_cast<INT_PTR>(::GetPropW(game.game, L"Bimbly.HookReinstalls")));
      reinstalls += gameReinstalls;
    }
    if (!game.launcher.process.running()) {
      crashed = true;
      std::printf("game %d (%s): the launcher ended (exit code %lu)\n", games, kind.name,
                  game.launcher.process.exitCode());
      break;
    }
    const bool left = game.LeaveWithExitWord();
    ::Sleep(500);
    stall = stalls->TakeLongest();
    const double lockedStall = PrintLongStalls(stalls->TakeLongStalls(), debug, origin.QuadPart, stallTally);
    longestLockedStall = std::max(longestLockedStall, lockedStall);
    stalls.reset();
    longestStall = std::max(longestStall, stall);
    if (stall >= 5000) ++hangs;
    if (!left) {
      ++hangs;
      std::printf("game %d (%s): the game did not end with the exit word\n", games, kind.name);
      break;
    }
    const ProcessResourceCounts after = SettledCounts(launcher, launcherId, &before);
    const std::map<std::string, int> threads = ThreadsByStartModule(launcher, launcherId);
    // Every board kind once starts what Wine keeps for later games (its sound
    // and MIDI workers, its picture decoders): private bytes are judged
    // against the end of that first round, its own growth is shown apart.
    if (games == 1) firstGameBytes = after.privateBytes;
    if (games == static_cast<int>(kinds.size())) {
      firstRoundBytes = after.privateBytes;
      firstRoundMemory = PrivateAllocations(launcher);
    }
    const std::string memoryGrowth = games > static_cast<int>(kinds.size())
                                         ? PrivateGrowth(firstRoundMemory, PrivateAllocations(launcher))
                                         : std::string();
    const auto percentOf = [&](std::size_t base) {
      return base ? 100.0 * (static_cast<double>(after.privateBytes) - static_cast<double>(base)) /
                        static_cast<double>(base)
                  : 0.0;
    };
    const double bytesPercent = percentOf(firstRoundBytes);
    if (games > static_cast<int>(kinds.size())) worstBytes = std::max(worstBytes, bytesPercent);
    // The launcher's heaps and handles, counted from inside it.
    unsigned handles = 0;
    const std::vector<heap_census::Heap> heaps = LauncherHeaps(launcher, &handles);
    if (games == 1) firstGameHandles = handles;
    // A few handles come and go with Wine's own workers.
    const bool handlesBack = heaps.empty() || handles <= firstGameHandles + 2;
    // BIMBLY_BENCH_HEAP_DUMPS: a folder that keeps every game's census.
    if (const wchar_t* dumps = _wgetenv(L"BIMBLY_BENCH_HEAP_DUMPS"))
      ::CopyFileW(HeapCensusFile().c_str(), (std::wstring(dumps) + L"\\game" + std::to_wstring(games) + L".txt").c_str(),
                  FALSE);
    PrivateSplit split = SplitPrivate(launcher, launcherId, unixPid);
    for (const heap_census::Heap& h : heaps)
      if ((h.kind == heap_census::kUcrtHeap || h.kind == heap_census::kProcessHeap) && h.committed > h.BusyBytes())
        split.wineKeptFreeMb += static_cast<double>(h.committed - h.BusyBytes()) / 1048576.0;
    if (games == 1) firstGameSplit = split;
    if (games == static_cast<int>(kinds.size())) firstRoundSplit = split;
    lastSplit = split;
    unixAfterGame.push_back(split.unixMb);
    const auto splitPercent = [&](const PrivateSplit& base) {
      return base.JudgedMb() > 0 ? 100.0 * (split.JudgedMb() - base.JudgedMb()) / base.JudgedMb() : 0.0;
    };
    if (split.known && games > 1) worstWindows = std::max(worstWindows, splitPercent(firstGameSplit));
    const int oursBefore = CountThreads(threadsBefore, true), oursAfter = CountThreads(threads, true);
    const bool same = games == 1 || (CountsBack(before, after) && oursAfter <= oursBefore && handlesBack);
    if (!same) ++leaks;
    std::printf("game %2d %-13s keys %6d: threads ours %d -> %d, the system's %d -> %d, handles %lu -> %lu, "
                "GDI %lu -> %lu, USER %lu -> %lu, private %.1f MB (%+.1f %% of the first game's, %+.1f %% of the "
                "first round's), longest stall %.0f ms, reinstalls %d%s\n",
                games, kind.name, keys, oursBefore, oursAfter, CountThreads(threadsBefore, false),
                CountThreads(threads, false), before.kernelHandles, after.kernelHandles, before.gdiObjects,
                after.gdiObjects, before.userObjects, after.userObjects,
                static_cast<double>(after.privateBytes) / 1048576.0, percentOf(firstGameBytes), bytesPercent, stall,
                gameReinstalls, same ? "" : "  <- counts not back");
    if (!memoryGrowth.empty()) std::printf("  private memory since the first round: %s\n", memoryGrowth.c_str());
    if (split.known)
      std::printf("  of the private bytes: the Windows side %.1f MB, judged %.1f MB (%+.1f %% of the first game's, "
                  "%+.1f %% of the first round's); Wine's own: free in its heaps %.1f MB, its Unix side "
                  "%.1f MB, its worker threads' stacks %.1f MB\n",
                  split.windowsMb, split.JudgedMb(), splitPercent(firstGameSplit), splitPercent(firstRoundSplit),
                  split.wineKeptFreeMb, split.unixMb, split.workersMb);
    if (split.known && games > 1)
      if (const std::string where = WindowsSideGrowth(launcher, firstGameSplit, split); !where.empty())
        std::printf("  the Windows side grew since the first game most in: %s\n", where.c_str());
    if (!heaps.empty())
      std::printf("  counted inside the launcher: handles %u (%+d since the first game)%s\n", handles,
                  static_cast<int>(handles) - static_cast<int>(firstGameHandles), handlesBack ? "" : "  <- not back");
    if (games == 1) {
      firstGameHeaps = heaps;
    } else if (!heaps.empty() && !firstGameHeaps.empty()) {
      const std::string grown = HeapGrowth(firstGameHeaps, heaps, launcher);
      if (!grown.empty()) std::printf("  the launcher's heaps since the first game: %s\n", grown.c_str());
    }
    // Whose threads are there beyond those after the first game (which
    // starts the workers the launcher keeps), by the module they started in.
    if (games == 1) {
      firstGameThreads = threads;
      std::printf("  threads the first game added: %s\n", MoreThreads(startThreads, threads).c_str());
    } else if (const std::string more = MoreThreads(firstGameThreads, threads); !more.empty()) {
      std::printf("  threads beyond the first game's: %s\n", more.c_str());
    }
    std::fflush(stdout);
  }
  const size_t watchdogLines = debug.Lines("Hook watchdog: reinstalling").size();
  std::printf("play soak: %d keys in %d games, %d switches by key, %d by the menu, %d time-ups\n", keys, games,
              switches, menuSwitches, timeUps);
  if (pictureMenus > 0)
    std::printf("  %d right clicks met a picture that flew under the pointer: its menu was closed, the board "
                "clicked again\n", pictureMenus);
  if (lostClicks > 0) std::printf("  %d right clicks on the board opened no menu and were made again\n", lostClicks);
  std::printf("  crashes %d, hangs %d, watchdog reinstalls %d (%zu accounts on the debug output), games with "
              "counts not back %d, private bytes at most %+.1f %% of the first round's (the first round itself "
              "%+.1f %% over the first game's), longest stall %.0f ms\n",
              crashed ? 1 : 0, hangs, reinstalls, watchdogLines, leaks, worstBytes,
              firstGameBytes && firstRoundBytes
                  ? 100.0 * (static_cast<double>(firstRoundBytes) - static_cast<double>(firstGameBytes)) /
                        static_cast<double>(firstGameBytes)
                  : 0.0,
              longestStall);
  if (lastSplit.known) {
    // Levelled off: the last round of board kinds added little to Wine's part.
    const std::size_t n = unixAfterGame.size(), round = kinds.size();
    const double lastRound = n > round ? unixAfterGame[n - 1] - unixAfterGame[n - 1 - round] : 0.0;
    std::printf("  the Windows side's private bytes, judged, at most %+.1f %% of the first game's (%.1f MB after the "
                "first game, %.1f MB at the end; free in Wine's heaps %.1f MB at the end, not judged); "
                "Wine's Unix side %.1f MB after the first game, %.1f MB after the first round, %.1f MB at the end "
                "(%+.1f MB over the last round), not judged\n",
                worstWindows, firstGameSplit.JudgedMb(), lastSplit.JudgedMb(), lastSplit.wineKeptFreeMb,
                firstGameSplit.unixMb, firstRoundSplit.unixMb, lastSplit.unixMb, lastRound);
  }
  PrintWatchdogAccounts(debug);
  std::printf("  longest stall while the keyboard lock was held: %s\n",
              longestLockedStall > 0 ? (std::to_string(static_cast<int>(longestLockedStall + 0.5)) + " ms").c_str()
                                     : "none over 100 ms");
  PrintStallTally(stallTally);
  {
    const char* const host[] = {"probe", "old board gone", "new board up"};
    PrintFigures(debug, "Item switch:", host, 3);
    const char* const timeUp[] = {"reminder gone", "board gone", "exit picture shown"};
    PrintFigures(debug, "Time up:", timeUp, 3);
    const char* const gone[] = {"gone"};
    PrintFigures(debug, "Board gone:", gone, 1);
    const char* const cards[] = {"key served", "copies gone", "sound stopped", "window gone"};
    PrintFigures(debug, "Cards gone:", cards, 4);
  }
  // Under Wine the suite's own memory is judged, Wine's Unix side shown apart.
  const double judgedBytes = lastSplit.known ? worstWindows : worstBytes;
  const bool good = !crashed && hangs == 0 && reinstalls == 0 && watchdogLines == 0 && leaks == 0 && judgedBytes <= 5.0;
  std::printf("play soak %s\n", good ? "passed" : "FAILED");
  return good ? 0 : 1;
}


// Key to OnBoardKeyDown, one key at a time, so each measurement is of one key
// alone; `moving` gets the keys for which `whileMoving(i)` holds.
std::vector<double> KeyLatencies(GameSession& game, int keys, const WORD* letters, size_t letterCount,
                                 std::vector<double>* moving = nullptr,
                                 const std::function<bool(int)>& whileMoving = nullptr,
                                 std::vector<double>* toHost = nullptr) {
  std::vector<double> latencies;
  for (int i = 0; i < keys; ++i) {
    const long before = game.BoardKeyDowns();
    LARGE_INTEGER sent;
    ::QueryPerformanceCounter(&sent);
    PressKey(letters[static_cast<size_t>(i) % letterCount]);
    if (!WaitUntil([&] { return game.BoardKeyDowns() > before; }, 2000)) continue;
    const LONGLONG arrived = reinterpret_cast<LONG_PTR>(::GetPropW(game.Board(), L"Bimbly.LastKeyTime"));
    const LONGLONG atHost = reinterpret_cast<LONG_PTR>(::GetPropW(game.game, L"Bimbly.HostKeyTime"));
    const double ms = Ms(arrived - sent.QuadPart);
    latencies.push_back(ms);
    if (moving && whileMoving && whileMoving(i)) {
      moving->push_back(ms);
      if (toHost && atHost > sent.QuadPart && atHost <= arrived) toHost->push_back(Ms(atHost - sent.QuadPart));
    }
  }
  return latencies;
}

void PrintLatencies(const char* what, const std::vector<double>& v) {
  std::printf("key latency %s over %zu keys: median %.2f ms, 99th percentile %.2f ms, max %.2f ms\n", what, v.size(),
              Percentile(v, 0.5), Percentile(v, 0.99), Percentile(v, 1.0));
}

// One item switch by key: from the key's sending to the new board's first
// painted frame (the board notes the time of it), and to the new board seen
// on screen by polling, the way it was measured before.
struct SwitchTime {
  double firstFrame = -1;
  double seen = -1;
  // From the key to the old board's asking the game for the switch, to the
  // game's taking it up, and to the new board's being up with its own set-up
  // done (the music board's pictures made).
  double asked = -1;
  double taken = -1;
  double boardUp = -1;
};
SwitchTime SwitchByKey(GameSession& game, WORD key) {
  SwitchTime t;
  HWND old = game.Board();
  LARGE_INTEGER t0, t1;
  ::QueryPerformanceCounter(&t0);
  PressKey(key, true);
  HWND board = game.WaitForNewBoard(old, 10000);
  if (!board) return t;
  ::QueryPerformanceCounter(&t1);
  t.seen = Ms(t1.QuadPart - t0.QuadPart);
  LONG_PTR painted = 0;
  WaitUntil([&] { return (painted = reinterpret_cast<LONG_PTR>(::GetPropW(board, L"Bimbly.FirstPaintTime"))) != 0; },
            5000);
  if (painted) t.firstFrame = Ms(painted - t0.QuadPart);
  // The game window keeps the stamps; those of an earlier switch do not count.
  const auto since = [&](const wchar_t* prop) {
    const LONGLONG at = reinterpret_cast<LONG_PTR>(::GetPropW(game.game, prop));
    return at > t0.QuadPart ? Ms(at - t0.QuadPart) : -1.0;
  };
  t.asked = since(L"Bimbly.SwitchAskedTime");
  t.taken = since(L"Bimbly.SwitchStartTime");
  WaitUntil([&] { return since(L"Bimbly.SwitchBoardUpTime") >= 0; }, 5000);
  t.boardUp = since(L"Bimbly.SwitchBoardUpTime");
  return t;
}

void PrintSwitches(const char* what, const std::vector<SwitchTime>& times) {
  std::vector<double> first, seen;
  for (const SwitchTime& t : times) {
    if (t.firstFrame >= 0) first.push_back(t.firstFrame);
    if (t.seen >= 0) seen.push_back(t.seen);
  }
  std::printf("item switch %s over %zu switches, to the first painted frame: median %.1f ms, max %.1f ms "
              "(to the board seen by polling: median %.1f ms, max %.1f ms)\n",
              what, first.size(), Percentile(first, 0.5), Percentile(first, 1.0), Percentile(seen, 0.5),
              Percentile(seen, 1.0));
  std::vector<double> asked, taken, boardUp;
  for (const SwitchTime& t : times) {
    if (t.asked >= 0) asked.push_back(t.asked);
    if (t.taken >= 0) taken.push_back(t.taken);
    if (t.boardUp >= 0) boardUp.push_back(t.boardUp);
  }
  std::printf("  key to the old board's asking for the switch: median %.1f ms, max %.1f ms; to the game's taking it "
              "up: median %.1f ms, max %.1f ms; to the new board up with its set-up done: median %.1f ms, max %.1f ms\n",
              Percentile(asked, 0.5), Percentile(asked, 1.0), Percentile(taken, 0.5), Percentile(taken, 1.0),
              Percentile(boardUp, 0.5), Percentile(boardUp, 1.0));
  std::printf("  in turn:");
  for (const SwitchTime& t : times) std::printf(" %.0f", t.firstFrame);
  std::printf(" ms\n");
}

// The copies the board has out (the reminder pictures, 25 pixels high, are not copies).
int CopiesOut(const GameSession& game) {
  HWND board = game.Board();
  int n = 0;
  for (HWND h : TopLevelWindows(game.launcher.process.id())) {
    const RECT r = WindowRectOf(h);
    if (::GetWindow(h, GW_OWNER) == board && r.bottom - r.top != 25) ++n;
  }
  return n;
}

// Keys until the board has `copies` copies out; false when they did not come.
bool FillBoard(GameSession& game, int copies) {
  for (int i = 0; i < copies + 5 && CopiesOut(game) < copies; ++i) {
    const long before = game.BoardKeyDowns();
    PressKey(static_cast<WORD>('A' + i % 26));
    WaitUntil([&] { return game.BoardKeyDowns() > before; }, 3000);
    WaitUntil([&] { return CopiesOut(game) > i; }, 3000);
  }
  return WaitUntil([&] { return CopiesOut(game) >= copies; }, 5000);
}

LONGLONG Now() {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return now.QuadPart;
}

// Of the game's own accounts that came at `from` or later.
void PrintSwitchAccounts(DebugOutput& debug, LONGLONG from) {
  const char* const host[] = {"probe", "old board gone", "new board up", "of it the reminder gone",
                              "the window black", "the library freed"};
  PrintFigures(debug, "Item switch:", host, 6, from);
  const char* const up[] = {"made", "background shown", "set up"};
  PrintFigures(debug, "Board up:", up, 3, from);
  const char* const gone[] = {"gone"};
  PrintFigures(debug, "Board gone:", gone, 1, from);
  const char* const cards[] = {"key served", "copies gone", "sound stopped", "window gone"};
  PrintFigures(debug, "Cards gone:", cards, 4, from);
  const char* const music[] = {"board thread free", "stage painted", "pictures shown"};
  PrintFigures(debug, "Music set-up:", music, 3, from);
  // Every account as it came, for whoever looks into one slow switch.
  if (::GetEnvironmentVariableW(L"BIMBLY_BENCH_ACCOUNTS", nullptr, 0) > 0)
    for (const auto& [at, line] : debug.Between(from, Now())) std::printf("    %s", line.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wcscmp(argv[1], L"soak") == 0)
    return RunPlaySoak(argc > 2 ? _wtoi(argv[2]) : 100000, argc > 3 ? _wtoi(argv[3]) : 5000,
                       argc > 4 ? argv[4] : L"");
  const int keys = argc > 1 ? _wtoi(argv[1]) : 1000;
  const int switches = argc > 2 ? _wtoi(argv[2]) : 20;
  const int soakKeys = argc > 3 ? _wtoi(argv[3]) : 10000;

  std::printf("(timings on a shared, loaded machine: take them as pessimistic)\n");
  DebugOutput debug;  // before the launcher starts
  ProgramFolder folder;
  GameSession game(folder);

  // The bee board with its ten copies out and moving. It toggles with every
  // key once full: the keys that come while the copies move are the even ones.
  constexpr int kBeeCopies = 10;
  if (!game.StartItem(kInsectsCategory, 0)) {
    std::fprintf(stderr, "could not start the bee board\n");
    return 1;
  }
  Focus(game.game);
  ::Sleep(500);
  if (!FillBoard(game, kBeeCopies)) std::printf("the bee board did not get its %d copies out\n", kBeeCopies);
  {
    const WORD letters[] = {'A', 'S', 'D', 'F'};
    std::vector<double> moving, toHost;
    const std::vector<double> all =
        KeyLatencies(game, keys, letters, 4, &moving, [](int i) { return i % 2 == 0; }, &toHost);
    PrintLatencies("on the full bee board, copies moving", moving);
    PrintLatencies("  of it from SendInput to the game window", toHost);
    PrintLatencies("on the full bee board, all keys", all);
  }

  StallWatch stalls(game.game);
  stalls.TakeLongest();
  std::map<std::string, std::pair<int, double>> stallTally;
  LARGE_INTEGER origin;
  ::QueryPerformanceCounter(&origin);
  // From the full bee board to the next card item (dragonfly), and back to fill it again.
  {
    const LONGLONG phase = Now();
    std::vector<SwitchTime> times;
    for (int i = 0; i < switches; ++i) {
      if (!FillBoard(game, kBeeCopies)) std::printf("the bee board did not get its %d copies out\n", kBeeCopies);
      ::Sleep(300);
      times.push_back(SwitchByKey(game, VK_NEXT));
      ::Sleep(300);
      SwitchByKey(game, VK_PRIOR);
      ::Sleep(300);
    }
    PrintSwitches("full bee board -> next card item", times);
    std::printf("  where they went (and the switches back), by the game's own accounts:\n");
    PrintSwitchAccounts(debug, phase);
  }
  int over200 = 0;
  std::printf("longest main-thread stall during the card switches: %.1f ms (%d over 200 ms)\n",
              stalls.TakeLongest(&over200), over200);
  PrintLongStalls(stalls.TakeLongStalls(), debug, origin.QuadPart, stallTally);

  if (!game.LeaveWithExitWord() || !game.StartMusicItem(0)) {
    std::fprintf(stderr, "could not start a music game\n");
    return 1;
  }
  Focus(game.game);
  ::Sleep(500);
  {
    const WORD letters[] = {'A', 'S', 'D', 'F'};
    PrintLatencies("on the music board", KeyLatencies(game, keys, letters, 4));
  }
  // Music to music: down the thirteen instruments and back up again.
  stalls.TakeLongest();
  {
    const LONGLONG phase = Now();
    std::vector<SwitchTime> times;
    for (int i = 0; i < switches; ++i) {
      times.push_back(SwitchByKey(game, (i / 12) % 2 == 0 ? VK_NEXT : VK_PRIOR));
      ::Sleep(200);
    }
    PrintSwitches("music -> music", times);
    std::printf("  where they went, by the game's own accounts:\n");
    PrintSwitchAccounts(debug, phase);
  }
  std::printf("longest main-thread stall during the music switches: %.1f ms (%d over 200 ms)\n",
              stalls.TakeLongest(&over200), over200);
  PrintLongStalls(stalls.TakeLongStalls(), debug, origin.QuadPart, stallTally);

  const SoakResult soak = MashKeyboard(game, soakKeys, 300, 4242);
  std::printf("soak: %d keys, %d switches, %d Page Downs that brought no new board\n", soak.keys, soak.switches,
              soak.unanswered);
  std::printf("longest main-thread stall during the soak: %.1f ms (%d over 200 ms)\n", stalls.TakeLongest(&over200),
              over200);
  PrintLongStalls(stalls.TakeLongStalls(), debug, origin.QuadPart, stallTally);
  PrintStallTally(stallTally);
  std::printf("hook reinstalls by the watchdog: %d\n",
              static_cast<int>(reinterpret_cast<INT_PTR>(::GetPropW(game.game, L"Bimbly.HookReinstalls"))));
  PrintWatchdogAccounts(debug);
  // The lock still holds: the Windows key is swallowed, a letter reaches the board.
  Focus(game.game);
  // The board's thread may still be working through the soak's keys: wait
  // until its count holds still for a second.
  for (long last = -1, now = game.BoardKeyDowns(); now != last; now = game.BoardKeyDowns()) {
    last = now;
    ::Sleep(1000);
  }
  const long before = game.BoardKeyDowns();
  PressKey(VK_LWIN, true);
  PressKey('K');
  const bool reached = WaitUntil([&] { return game.BoardKeyDowns() > before; }, 3000);
  ::Sleep(300);
  std::printf("after the soak: letter %s the board, Windows key %s\n", reached ? "reached" : "did NOT reach",
              game.BoardKeyDowns() == before + 1 && game.BoardLastKey() == 'K' ? "swallowed" : "NOT swallowed");
  PrintCounts("before", soak.before);
  PrintCounts("after", soak.after);
  return 0;
}
