// The contract between the game host and a play module: the start block that
// Initialize receives and the private messages the two sides post each other.
// Shared across a DLL boundary, so it holds plain data and constants only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct SpeechRecord;

// Private messages, always posted, never sent.
inline constexpr UINT WM_PLAY_KEYDOWN = WM_USER + 100;   // host -> board: wParam key, lParam keystroke flags
inline constexpr UINT WM_PLAY_KEYUP = WM_USER + 101;     // host -> board
inline constexpr UINT WM_PLAY_PREVIOUS = WM_USER + 102;  // board -> host
inline constexpr UINT WM_PLAY_NEXT = WM_USER + 103;      // board -> host
inline constexpr UINT WM_PLAY_EXIT = WM_USER + 104;      // board -> host
// host -> board: the host's window was shown or raised; the board puts itself
// and the windows it owns back above it. A board may ignore it.
inline constexpr UINT WM_PLAY_RESTACK = WM_USER + 105;
static_assert(WM_PLAY_KEYDOWN == 1124 && WM_PLAY_EXIT == 1128, "message numbers are part of the contract");

// Handed to Initialize; owned by the host and alive for the whole game.
struct ModuleStartInfo {
  std::int32_t itemIndex;        // number of the item within its module
  const char* itemName;          // Chinese name, GBK
  const char* itemEnglishName;   // English label, ASCII; spoken when a parent chose English
  SpeechRecord* speech;          // the host's speech worker record
  // Added after the fields above; zero keeps a board as it always was.
  std::int32_t speakLanguage;    // names read aloud: 0 Chinese, 1 English, 2 Chinese then English
  std::int32_t quiet;            // nonzero: no sounds, no notes and no names spoken
};
static_assert(offsetof(ModuleStartInfo, itemIndex) == 0, "layout is part of the contract");
static_assert(offsetof(ModuleStartInfo, itemName) == sizeof(void*), "layout is part of the contract");
static_assert(offsetof(ModuleStartInfo, itemEnglishName) == 2 * sizeof(void*), "layout is part of the contract");
static_assert(offsetof(ModuleStartInfo, speech) == 3 * sizeof(void*), "layout is part of the contract");
static_assert(offsetof(ModuleStartInfo, speakLanguage) == 4 * sizeof(void*) &&
                  offsetof(ModuleStartInfo, quiet) == 4 * sizeof(void*) + sizeof(std::int32_t),
              "appended fields follow the original ones");

// Exports of every play module, looked up by these undecorated names.
using InitializeFn = std::uint32_t(__cdecl*)(HWND host, ModuleStartInfo* info);
using UnInitializeFn = void(__cdecl*)();
inline constexpr char kInitializeExport[] = "Initialize";
inline constexpr char kUnInitializeExport[] = "UnInitialize";
