// What the system itself keeps after the calls a game makes, apart from the
// suite: a sound played from memory and stopped, a MIDI output opened, used
// and closed, the pictures of two modules decoded and shown in picture
// windows, and a module loaded and freed, round after round. After each
// round, and once more after a pause, it prints its own private bytes and
// its threads by the module they started in. A cache or worker pool that the
// system fills on first use shows as growth in the first round only.
// Usage: system_growth.exe <folder of the deliverables> [rounds=10] [boards|module|sound|badges|draw|windows|decode|animate]
// (boards: instead, a board of each kind soak-tested in turn, round after
// round, with the heap's busy blocks compared from the second round on;
// windows: only rounds of full-screen windows on threads of their own;
// decode: only rounds of a pulse board's pictures decoded on threads;
// animate: only rounds of the parrot's copy animated, three at once;
// module: only a bare module loaded and freed, doing one thing on each load;
// sound: only sounds played from memory and MIDI outputs opened and closed;
// badges: only rounds of 100 car badges shown and replaced;
// draw: only rounds of three backgrounds drawn at the screen's size at once)
#include <windows.h>
#include <mmsystem.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <shlwapi.h>

#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "contracts/module_contract.h"
#include "framework/gdiplus_session.h"
#include "toolkit/image_wnd.h"
#include "heap_census.h"  // beside this file
#include "wine_host.h"

namespace {

double PrivateMb() {
  PROCESS_MEMORY_COUNTERS_EX m{};
  m.cb = sizeof(m);
  ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof(m));
  return static_cast<double>(m.PrivateUsage ? m.PrivateUsage : m.PagefileUsage) / 1048576.0;
}

std::string ThreadsByModule() {
  using QueryThread = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<QueryThread>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread")));
  std::map<std::string, int> found;
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 te{};
  te.dwSize = sizeof(te);
  for (BOOL ok = ::Thread32First(snap, &te); ok; ok = ::Thread32Next(snap, &te)) {
    if (te.th32OwnerProcessID != ::GetCurrentProcessId()) continue;
    char name[MAX_PATH] = "?";
    HANDLE thread = ::OpenThread(THREAD_QUERY_INFORMATION, FALSE, te.th32ThreadID);
    void* start = nullptr;
    HMODULE module = nullptr;
    if (thread && query && query(thread, 9 /* ThreadQuerySetWin32StartAddress */, &start, sizeof(start), nullptr) == 0 &&
        ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             static_cast<LPCWSTR>(start), &module))
      ::GetModuleBaseNameA(::GetCurrentProcess(), module, name, MAX_PATH);
    if (thread) ::CloseHandle(thread);
    ++found[name];
  }
  ::CloseHandle(snap);
  std::string text;
  for (const auto& [name, n] : found) text += (text.empty() ? "" : ", ") + name + " " + std::to_string(n);
  return text;
}

// A quarter second of a quiet tone, 8 kHz mono 8-bit PCM.
std::vector<unsigned char> Wave() {
  const DWORD samples = 2000;
  std::vector<unsigned char> w(44 + samples);
  auto put32 = [&](size_t at, DWORD v) { std::memcpy(&w[at], &v, 4); };
  auto put16 = [&](size_t at, WORD v) { std::memcpy(&w[at], &v, 2); };
  std::memcpy(&w[0], "RIFF", 4);
  put32(4, 36 + samples);
  std::memcpy(&w[8], "WAVEfmt ", 8);
  put32(16, 16);
  put16(20, 1);
  put16(22, 1);
  put32(24, 8000);
  put32(28, 8000);
  put16(32, 1);
  put16(34, 8);
  std::memcpy(&w[36], "data", 4);
  put32(40, samples);
  for (DWORD i = 0; i < samples; ++i) w[44 + i] = static_cast<unsigned char>(128 + ((i / 8) % 2 ? 8 : -8));
  return w;
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) {
  if (!IS_INTRESOURCE(name)) reinterpret_cast<std::vector<std::wstring>*>(out)->push_back(name);
  return TRUE;
}

// Every picture of the module decoded and shown in a picture window, then gone.
void ShowPictures(const std::wstring& file) {
  HMODULE module = ::LoadLibraryW(file.c_str());
  if (!module) return;
  std::vector<std::wstring> names;
  ::EnumResourceNamesW(module, L"IMAGE", &CollectName, reinterpret_cast<LONG_PTR>(&names));
  for (const std::wstring& name : names) {
    CImageWnd picture;
    picture.LoadImageResource(name.c_str(), module);
    if (picture.CreateImageWindow(nullptr)) ::ShowWindow(picture.hwnd(), SW_SHOWNA);
    ::Sleep(20);
  }
  ::FreeLibrary(module);
}

int OwnUnixPid() {
  static const int pid = wine_host::UnixPidOf("system_growth.exe");
  return pid;
}

// Under Wine, private bytes are the process's resident anonymous memory on
// the Linux side; the part of it outside memory the Windows side committed
// is Wine's own Unix side (its C library's heaps). -1 when not under Wine.
double UnixSideMb() {
  if (!OwnUnixPid()) return -1;
  bool committed = false, any = false;
  double kb = 0;
  wine_host::WalkSmaps(
      OwnUnixPid(),
      [&](ULONG_PTR start) {
        MEMORY_BASIC_INFORMATION m{};
        committed = ::VirtualQuery(reinterpret_cast<void*>(start), &m, sizeof(m)) == sizeof(m) && m.State == MEM_COMMIT;
        any = true;
      },
      [&](double anonymousKb) {
        if (!committed) kb += anonymousKb;
      });
  if (!any) return -1;
  return kb / 1024.0;
}

// A full-screen window on a thread of its own, painted from a full-screen
// DIB section and destroyed: what every board does once.
DWORD WINAPI FullScreenWindow(void*) {
  const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
  HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"PlainWindow", L"", WS_POPUP, 0, 0, w, h, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP picture = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bits) std::memset(bits, 0x40, static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
  HGDIOBJ old = ::SelectObject(memory, picture);
  ::ShowWindow(window, SW_SHOWNA);
  HDC dc = ::GetDC(window);
  ::BitBlt(dc, 0, 0, w, h, memory, 0, 0, SRCCOPY);
  ::ReleaseDC(window, dc);
  MSG msg;
  for (int i = 0; i < 10; ++i) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::Sleep(10);
  }
  ::SelectObject(memory, old);
  ::DeleteObject(picture);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  ::DestroyWindow(window);
  return 0;
}


// This process's heaps: the busy blocks kept since `then`, by heap and by kind.
void PrintHeapGrowth(const std::vector<heap_census::Heap>& then, const std::vector<heap_census::Heap>& now) {
  const std::string grown = heap_census::Growth(then, now, heap_census::LoadedModules(::GetCurrentProcess()), /*all=*/true);
  std::printf("    heaps: %s\n", grown.empty() ? "no change" : grown.c_str());
}

// A board of each kind made, given keys and ended, as a game's switches do,
// round after round, with the heap's busy blocks compared between rounds.
void PlayBoards(const std::wstring& folder, int rounds) {
  WNDCLASSW host{};
  host.lpfnWndProc = ::DefWindowProcW;
  host.hInstance = ::GetModuleHandleW(nullptr);
  host.lpszClassName = L"GrowthHost";
  ::RegisterClassW(&host);
  HWND hostWindow = ::CreateWindowExW(0, L"GrowthHost", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, host.hInstance, nullptr);
  const struct { const wchar_t* file; int item; } boards[] = {
      {L"DeckInsect.dll", 0}, {L"Music.dll", 0}, {L"DeckCarLogo.dll", 0}, {L"DeckBird.dll", 9}};
  std::vector<heap_census::Heap> first;
  for (int round = 1; round <= rounds; ++round) {
    for (const auto& b : boards) {
      HMODULE module = ::LoadLibraryW((folder + b.file).c_str());
      if (!module) continue;
      auto init = reinterpret_cast<InitializeFn>(reinterpret_cast<void*>(::GetProcAddress(module, kInitializeExport)));
      auto uninit = reinterpret_cast<UnInitializeFn>(reinterpret_cast<void*>(::GetProcAddress(module, kUnInitializeExport)));
      ModuleStartInfo info{b.item, "\xB8\xD6\xC7\xD9", "test", nullptr, 0, 1};
      if (init && uninit) {
        HWND board = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(init(hostWindow, &info)));
        for (int k = 0; k < 30 && board; ++k) {
          ::PostMessageW(board, WM_PLAY_KEYDOWN, 'A' + k % 26, 0x1E << 16);
          ::PostMessageW(board, WM_PLAY_KEYUP, 'A' + k % 26, 0xC01E0001);
        }
        const ULONGLONG end = ::GetTickCount64() + 1500;
        MSG msg;
        while (::GetTickCount64() < end) {
          while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
          ::Sleep(10);
        }
        uninit();
      }
      ::FreeLibrary(module);
    }
    std::printf("boards round %2d private %.1f MB, threads %s\n", round, PrivateMb(), ThreadsByModule().c_str());
    if (round == 2) first = heap_census::Take();
    if (round > 2) PrintHeapGrowth(first, heap_census::Take());
    std::fflush(stdout);
  }
  ::DestroyWindow(hostWindow);
}

// A module (growth_module.dll, beside this program) loaded and freed 20
// times a round, doing only `what` on each load: a framework window on a
// thread of its own, a lock taken, a function-local static made, or nothing.
// Every load brings its own copy of the static C++ run-time and its threads
// library; what a load leaves in the C run-time's heap shows from the second
// round on.
void ModuleRounds(const std::wstring& growthModule, int passes) {
  const char* const kinds[] = {"nothing", "a window on a thread", "a lock", "a static"};
  for (int what = 0; what < 4; ++what) {
    std::vector<heap_census::Heap> before;
    unsigned handlesBefore = 0, handlesAfter = 0;
    for (int pass = 0; pass < passes; ++pass) {
      if (pass == 1) before = heap_census::Take(&handlesBefore);
      for (int load = 0; load < 20; ++load) {
        HMODULE module = ::LoadLibraryW(growthModule.c_str());
        if (!module) {
          std::printf("growth_module.dll not found beside this program\n");
          return;
        }
        if (what == 1) {
          auto start = reinterpret_cast<LPTHREAD_START_ROUTINE>(
              reinterpret_cast<void*>(::GetProcAddress(module, "GrowthWindowThread")));
          if (HANDLE thread = start ? ::CreateThread(nullptr, 0, start, nullptr, 0, nullptr) : nullptr) {
            ::WaitForSingleObject(thread, 10000);
            ::CloseHandle(thread);
          }
        } else if (what == 2) {
          if (auto lock = reinterpret_cast<void (*)()>(reinterpret_cast<void*>(::GetProcAddress(module, "GrowthLock"))))
            lock();
        } else if (what == 3) {
          if (auto made = reinterpret_cast<std::size_t (*)()>(
                  reinterpret_cast<void*>(::GetProcAddress(module, "GrowthStatic"))))
            made();
        }
        ::FreeLibrary(module);
      }
    }
    const auto after = heap_census::Take(&handlesAfter);
    std::printf("the module loaded and freed %d times, each doing %s: handles %u -> %u\n", 20 * (passes - 1),
                kinds[what], handlesBefore, handlesAfter);
    PrintHeapGrowth(before, after);
    std::fflush(stdout);
  }
}

// What the system keeps of a game's sound calls alone, 100 at a time: a
// sound played from memory and cut off by the next, as a bird board's keys
// do, and a MIDI output opened, played and closed, as every music board does.
void SoundRounds(int passes) {
  const std::vector<unsigned char> wave = Wave();
  for (int what = 0; what < 2; ++what) {
    std::vector<heap_census::Heap> before;
    unsigned handlesBefore = 0, handlesAfter = 0;
    for (int pass = 0; pass < passes; ++pass) {
      if (pass == 1) before = heap_census::Take(&handlesBefore);
      for (int i = 0; i < 100; ++i) {
        if (what == 0) {
          ::PlaySoundA(reinterpret_cast<LPCSTR>(wave.data()), nullptr, SND_MEMORY | SND_ASYNC);
          ::Sleep(i % 5 == 0 ? 200 : 20);
          continue;
        }
        HMIDIOUT midi = nullptr;
        if (::midiOutOpen(&midi, MIDI_MAPPER, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) continue;
        ::midiOutShortMsg(midi, 0x7F3C90);
        ::midiOutShortMsg(midi, 0x003C80);
        ::midiOutReset(midi);
        ::midiOutClose(midi);
      }
      ::PlaySoundA(nullptr, nullptr, 0);
    }
    const auto after = heap_census::Take(&handlesAfter);
    std::printf("%s %d times: handles %u -> %u\n", what == 0 ? "a sound played from memory" : "a MIDI output opened and closed",
                100 * (passes - 1), handlesBefore, handlesAfter);
    PrintHeapGrowth(before, after);
    std::fflush(stdout);
  }
}

// Car badges shown and replaced, 100 a round as 100 keys on their board do,
// with the heaps after each round: where the decoding's memory stays.
void BadgeRounds(const std::wstring& folder, int passes) {
  HMODULE badges = ::LoadLibraryW((folder + L"DeckCarLogo.dll").c_str());
  if (!badges) return;
  std::vector<heap_census::Heap> first;
  for (int pass = 0; pass < passes; ++pass) {
    for (int i = 0; i < 100; ++i) {
      CImageWnd badge;
      badge.LoadImageResource((L"IMG" + std::to_wstring(1 + (pass * 100 + i) % 41)).c_str(), badges);
      if (badge.CreateImageWindow(nullptr)) ::ShowWindow(badge.hwnd(), SW_SHOWNA);
    }
    const auto now = heap_census::Take();
    if (pass == 0) first = now;
    std::printf("100 badges shown and replaced, round %d: private %.1f MB, Wine's Unix side %.1f MB\n", pass + 1,
                PrivateMb(), UnixSideMb());
    for (const heap_census::Heap& h : now)
      std::printf("    heap %llx (%s): busy %.1f KB, committed %.0f KB\n", static_cast<unsigned long long>(h.handle),
                  h.kind.c_str(), static_cast<double>(h.BusyBytes()) / 1024.0, static_cast<double>(h.committed) / 1024.0);
    if (pass > 0) PrintHeapGrowth(first, now);
  }
  ::FreeLibrary(badges);
}

// Backgrounds drawn at the screen's size as a module draws them ahead (a
// picture stretched by GDI+ with the high-quality filter), three threads at
// once, round after round, with the newer C run-time's heap after each:
// Wine's GDI+ takes its scaling buffers from it.
void DrawRounds(const std::wstring& folder, int passes) {
  static HMODULE module;
  module = ::LoadLibraryW((folder + L"DeckCarLogo.dll").c_str());
  if (!module) return;
  for (int pass = 0; pass < passes; ++pass) {
    HANDLE threads[3] = {};
    for (int t = 0; t < 3; ++t)
      threads[t] = ::CreateThread(
          nullptr, 0,
          [](void* which) -> DWORD {
            const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
            HRSRC found = ::FindResourceW(module, (L"BACK" + std::to_wstring(1 + reinterpret_cast<INT_PTR>(which))).c_str(), L"IMAGE");
            if (!found) return 1;
            const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(module, found)));
            IStream* stream = SHCreateMemStream(data, ::SizeofResource(module, found));
            if (!stream) return 1;
            {
              Gdiplus::Image picture(stream, FALSE);
              std::vector<std::uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
              Gdiplus::Bitmap canvas(w, h, w * 4, PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(pixels.data()));
              Gdiplus::Graphics graphics(&canvas);
              Gdiplus::ImageAttributes attributes;
              attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
              graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
              graphics.DrawImage(&picture, Gdiplus::Rect(0, 0, w, h), 0, 0, static_cast<INT>(picture.GetWidth()),
                                 static_cast<INT>(picture.GetHeight()), Gdiplus::UnitPixel, &attributes);
            }
            stream->Release();
            return 0;
          },
          reinterpret_cast<void*>(static_cast<INT_PTR>(pass % 4 + t)), 0, nullptr);
    for (HANDLE thread : threads)
      if (thread) {
        ::WaitForSingleObject(thread, 30000);
        ::CloseHandle(thread);
      }
    for (const heap_census::Heap& h : heap_census::Take())
      if (h.kind == heap_census::kUcrtHeap)
        std::printf("three backgrounds drawn at the screen's size, round %d: private %.1f MB; the newer C run-time's "
                    "heap busy %.1f KB, committed %.0f KB\n",
                    pass + 1, PrivateMb(), static_cast<double>(h.BusyBytes()) / 1024.0,
                    static_cast<double>(h.committed) / 1024.0);
  }
  ::FreeLibrary(module);
}

// Full-screen windows, each on a thread of its own, as the boards of a game
// come and go: rounds of 10, private bytes and Wine's Unix side after each,
// to show whether and where the growth levels off.
void FullScreenRounds(int passes) {
  WNDCLASSW plain{};
  plain.lpfnWndProc = ::DefWindowProcW;
  plain.hInstance = ::GetModuleHandleW(nullptr);
  plain.lpszClassName = L"PlainWindow";
  ::RegisterClassW(&plain);  // fails harmlessly when already registered
  for (int pass = 0; pass < passes; ++pass) {
    const double before = PrivateMb(), unixBefore = UnixSideMb();
    for (int i = 0; i < 10; ++i) {
      HANDLE thread = ::CreateThread(nullptr, 0, &FullScreenWindow, nullptr, 0, nullptr);
      if (thread) {
        ::WaitForSingleObject(thread, 10000);
        ::CloseHandle(thread);
      }
    }
    std::printf("10 full-screen windows, a thread each: private %+.2f MB (now %.1f MB), Wine's Unix side %+.2f MB "
                "(now %.1f MB)\n",
                PrivateMb() - before, PrivateMb(), UnixSideMb() - unixBefore, UnixSideMb());
  }
}

// Pictures decoded as a pulse board's game decodes them (the parrot's
// animated picture, each frame through PNG, and its neighbours'
// backgrounds), on three threads of their own at once, round after round:
// under Wine the decoders (libjpeg, libpng) run on its Unix side, whose C
// library keeps each thread's freed large buffers.
void DecodeRounds(const std::wstring& folder, int passes) {
  HMODULE birds = ::LoadLibraryW((folder + L"DeckBird.dll").c_str());
  if (!birds) return;
  static HMODULE module;
  module = birds;
  for (int pass = 0; pass < passes; ++pass) {
    const double before = PrivateMb(), unixBefore = UnixSideMb();
    HANDLE threads[3] = {};
    for (int t = 0; t < 3; ++t)
      threads[t] = ::CreateThread(
          nullptr, 0,
          [](void* which) -> DWORD {
            const wchar_t* names[] = {L"IMG10", L"BACK10", L"BACK11"};
            CImageWnd picture;
            picture.LoadImageResource(names[reinterpret_cast<INT_PTR>(which)], module);
            return 0;
          },
          reinterpret_cast<void*>(static_cast<INT_PTR>(t)), 0, nullptr);
    for (HANDLE thread : threads)
      if (thread) {
        ::WaitForSingleObject(thread, 10000);
        ::CloseHandle(thread);
      }
    std::printf("the parrot and two backgrounds decoded, a thread each: private %+.2f MB (now %.1f MB), Wine's Unix "
                "side %+.2f MB (now %.1f MB)\n",
                PrivateMb() - before, PrivateMb(), UnixSideMb() - unixBefore, UnixSideMb());
    // Where the decoders' memory stays: the newer C run-time's heap, which
    // keeps its peak committed.
    for (const heap_census::Heap& h : heap_census::Take())
      if (h.kind == heap_census::kUcrtHeap)
        std::printf("    its heap (Wine's decoders): busy %.1f KB, committed %.0f KB\n",
                    static_cast<double>(h.BusyBytes()) / 1024.0, static_cast<double>(h.committed) / 1024.0);
  }
  ::FreeLibrary(birds);
}

// The parrot's copy as its board shows it: a layered picture window on its
// own thread, animated for two seconds (every frame handed to
// UpdateLayeredWindow), then ended; three at once, round after round.
void AnimateRounds(const std::wstring& folder, int passes) {
  HMODULE birds = ::LoadLibraryW((folder + L"DeckBird.dll").c_str());
  if (!birds) return;
  for (int pass = 0; pass < passes; ++pass) {
    const double before = PrivateMb(), unixBefore = UnixSideMb();
    {
      CImageWnd copies[3];
      for (CImageWnd& copy : copies) {
        copy.LoadImageResource(L"IMG10", birds);
        if (copy.CreateImageWindow(nullptr)) ::ShowWindow(copy.hwnd(), SW_SHOWNA);
      }
      ::Sleep(2000);
    }
    std::printf("three parrots animated for 2 s, a thread each: private %+.2f MB (now %.1f MB), Wine's Unix side "
                "%+.2f MB (now %.1f MB)\n",
                PrivateMb() - before, PrivateMb(), UnixSideMb() - unixBefore, UnixSideMb());
  }
  ::FreeLibrary(birds);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: system_growth.exe <folder of the deliverables> [rounds]\n");
    return 2;
  }
  const std::wstring folder = std::wstring(argv[1]) + L"\\";
  const int rounds = argc > 2 ? _wtoi(argv[2]) : 10;
  // Unbuffered: a buffer made at the first line would show as heap growth.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  fw::GdiplusSession gdiplus;
  const std::vector<unsigned char> wave = Wave();
  // One kind of round alone, when one is named.
  const std::pair<const wchar_t*, std::function<void()>> only[] = {
      {L"boards", [&] { PlayBoards(folder, rounds); }},
      {L"module",
       [&] {
         wchar_t self[MAX_PATH];
         ::GetModuleFileNameW(nullptr, self, MAX_PATH);
         std::wstring beside(self);
         beside.resize(beside.find_last_of(L"\\/") + 1);
         ModuleRounds(beside + L"growth_module.dll", rounds);
       }},
      {L"draw", [&] { DrawRounds(folder, rounds); }},
      {L"badges", [&] { BadgeRounds(folder, rounds); }},
      {L"sound", [&] { SoundRounds(rounds); }},
      {L"windows", [&] { FullScreenRounds(rounds); }},
      {L"decode", [&] { DecodeRounds(folder, rounds); }},
      {L"animate", [&] { AnimateRounds(folder, rounds); }},
  };
  for (const auto& [name, run] : only)
    if (argc > 3 && std::wcscmp(argv[3], name) == 0) {
      run();
      return 0;
    }
  std::printf("start    private %.1f MB, threads %s\n", PrivateMb(), ThreadsByModule().c_str());
  // A play module loaded and freed, as every switch does twice (the probe, then the game).
  for (const wchar_t* file : {L"DeckCarLogo.dll", L"KeyHush.dll"}) {
    if (HMODULE warm = ::LoadLibraryW((folder + file).c_str())) ::FreeLibrary(warm);
    const double beforeLoads = PrivateMb();
    const auto blocks = heap_census::Take();
    for (int i = 0; i < 50; ++i) {
      HMODULE module = ::LoadLibraryW((folder + file).c_str());
      if (module) ::FreeLibrary(module);
    }
    std::printf("%ls loaded and freed 50 times: private %+.2f MB\n", file, PrivateMb() - beforeLoads);
    PrintHeapGrowth(blocks, heap_census::Take());
  }
  // A bird's call played from its module 500 times, each cutting off the
  // one before, as a child mashing a bird board hears them.
  // Then the same with the module loaded and freed around every 100 calls.
  for (int pass = 0; pass < 4; ++pass) {
    const double before = PrivateMb(), unixBefore = UnixSideMb();
    const auto blocks = heap_census::Take();
    for (int load = 0; load < (pass < 2 ? 1 : 5); ++load) {
      HMODULE birds = ::LoadLibraryW((folder + L"DeckBird.dll").c_str());
      if (!birds) break;
      for (int i = 0; i < (pass < 2 ? 500 : 100); ++i) {
        ::PlaySoundA("WAVE10", birds, SND_RESOURCE | SND_ASYNC);
        ::Sleep(i % 5 == 0 ? 200 : 20);
      }
      ::PlaySoundA(nullptr, nullptr, 0);
      ::FreeLibrary(birds);
    }
    std::printf("a bird's call played 500 times%s: private %+.2f MB, of it Wine's Unix side %+.2f MB\n",
                pass < 2 ? "" : ", its module freed every 100", PrivateMb() - before, UnixSideMb() - unixBefore);
    PrintHeapGrowth(blocks, heap_census::Take());
  }
  // A badge shown and replaced 500 times, as 500 keys on the car-badge board
  // do: each picture window has a thread of its own. Then the same number of
  // bare threads that make one plain window each, without the toolkit.
  if (HMODULE badges = ::LoadLibraryW((folder + L"DeckCarLogo.dll").c_str())) {
    for (int pass = 0; pass < 3; ++pass) {
      const double before = PrivateMb();
      const auto heaps = heap_census::Take();
      for (int i = 0; i < 500; ++i) {
        CImageWnd badge;
        badge.LoadImageResource((L"IMG" + std::to_wstring(1 + i % 41)).c_str(), badges);
        if (badge.CreateImageWindow(nullptr)) ::ShowWindow(badge.hwnd(), SW_SHOWNA);
      }
      std::printf("500 badges shown and replaced: private %+.2f MB\n", PrivateMb() - before);
      PrintHeapGrowth(heaps, heap_census::Take());
    }
    ::FreeLibrary(badges);
  }
  WNDCLASSW plain{};
  plain.lpfnWndProc = ::DefWindowProcW;
  plain.hInstance = ::GetModuleHandleW(nullptr);
  plain.lpszClassName = L"PlainWindow";
  ::RegisterClassW(&plain);
  for (int pass = 0; pass < 2; ++pass) {
    const double before = PrivateMb();
    for (int i = 0; i < 500; ++i) {
      HANDLE thread = ::CreateThread(
          nullptr, 0,
          [](void*) -> DWORD {
            HWND w = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"PlainWindow", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr);
            ::ShowWindow(w, SW_SHOWNA);
            ::DestroyWindow(w);
            return 0;
          },
          nullptr, 0, nullptr);
      if (thread) {
        ::WaitForSingleObject(thread, 10000);
        ::CloseHandle(thread);
      }
    }
    std::printf("500 bare threads with a plain window each: private %+.2f MB\n", PrivateMb() - before);
  }
  FullScreenRounds(10);
  DecodeRounds(folder, 10);
  AnimateRounds(folder, 5);
  for (int round = 1; round <= rounds; ++round) {
    ::PlaySoundA(reinterpret_cast<LPCSTR>(wave.data()), nullptr, SND_MEMORY | SND_ASYNC);
    ::Sleep(100);
    ::PlaySoundA(nullptr, nullptr, 0);
    HMIDIOUT midi = nullptr;
    if (::midiOutOpen(&midi, MIDI_MAPPER, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR) {
      ::midiOutShortMsg(midi, 0x7F3C90);
      ::midiOutShortMsg(midi, 0x003C80);
      ::midiOutReset(midi);
      ::midiOutClose(midi);
    }
    ShowPictures(folder + L"Music.dll");
    ShowPictures(folder + L"DeckBird.dll");
    std::printf("round %2d private %.1f MB, threads %s\n", round, PrivateMb(), ThreadsByModule().c_str());
    std::fflush(stdout);
  }
  // How long the system's workers stay once nothing plays.
  for (int s = 5; s <= 30; s += 5) {
    ::Sleep(5000);
    std::printf("%2d s on  private %.1f MB, threads %s\n", s, PrivateMb(), ThreadsByModule().c_str());
  }
  return 0;
}
