// A play module that loads and exports Initialize but never makes a board:
// what the host sees of a module whose board cannot be created.
#include <windows.h>

#include <cstdint>

extern "C" __declspec(dllexport) std::uint32_t __cdecl Initialize(HWND, void*) { return 0; }
extern "C" __declspec(dllexport) void __cdecl UnInitialize() {}
