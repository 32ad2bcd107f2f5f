// A small stand-in for the game host: loads a real play module from the
// deliverables folder and records the requests its board posts back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/wait_bounds.h"
#include "framework/handles.h"
#include "contracts/module_contract.h"
#include "tests/support/pump.h"

namespace module_test {
inline std::wstring OutFolder() {
  wchar_t buf[MAX_PATH * 2];
  const DWORD n = ::GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
  std::wstring p(buf, n);
  p.resize(p.find_last_of(L'\\'));
  return p.substr(0, p.find_last_of(L'\\')) + L"\\out\\";
}

// A stand-in for the game window: records the requests boards post to it.
class FakeHost {
 public:
  FakeHost() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &FakeHost::Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FakeGameHost";
    ::RegisterClassW(&wc);
    hwnd_ = ::CreateWindowExW(0, L"FakeGameHost", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              wc.hInstance, nullptr);
  }
  ~FakeHost() { ::DestroyWindow(hwnd_); }
  HWND hwnd() const { return hwnd_; }
  // MIDI messages a music board sent to this window as its tap (BIMBLY_MIDI_TAP).
  static constexpr UINT kMidiTapMessage = WM_APP + 0x3C0;
  std::vector<std::uint32_t> midi;

  // Pumps this thread's queue until the request `last` arrives (at most the
  // bound of a board's work) and returns the requests seen. A board serves
  // what is posted to it in order, so a command posted last whose request is
  // `last` shows that everything before it has been served.
  std::vector<UINT> CollectUntil(UINT last) {
    std::vector<UINT> seen;
    const ULONGLONG end = ::GetTickCount64() + bimbly::kBoardKeyInProgressMs;
    while (::GetTickCount64() < end) {
      std::vector<UINT> more = Collect(10);
      seen.insert(seen.end(), more.begin(), more.end());
      if (!more.empty() && more.back() == last) break;
    }
    return seen;
  }

  // Pumps this thread's queue for a while and returns the requests seen.
  std::vector<UINT> Collect(DWORD ms) {
    std::vector<UINT> seen;
    PumpFor(ms, [&](const MSG& msg) {
      if (msg.hwnd == hwnd_ && msg.message >= WM_PLAY_PREVIOUS && msg.message <= WM_PLAY_EXIT)
        seen.push_back(msg.message);
      if (msg.hwnd == hwnd_ && msg.message == kMidiTapMessage && msg.lParam == 0)
        midi.push_back(static_cast<std::uint32_t>(msg.wParam));
    });
    return seen;
  }

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return ::DefWindowProcW(h, m, w, l); }
  HWND hwnd_;
};

struct Module {
  explicit Module(const wchar_t* file) : lib(::LoadLibraryW((OutFolder() + file).c_str())) {
    if (lib) {
      init = fw::GetExport<InitializeFn>(lib.get(), kInitializeExport);
      uninit = fw::GetExport<UnInitializeFn>(lib.get(), kUnInitializeExport);
    }
  }
  ~Module() {
    if (uninit) uninit();
  }
  fw::UniqueModule lib;
  InitializeFn init = nullptr;
  UnInitializeFn uninit = nullptr;
};

inline HWND AsWindow(std::uint32_t value) { return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value)); }

}  // namespace module_test
