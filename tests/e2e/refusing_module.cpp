// A play module that loads and exports Initialize but never makes a board:
// what the host sees of a module whose board cannot be created. Initialize
// leaves "<its file>.initialized" beside it, so a test knows it was asked.
#include <windows.h>

#include <cstdint>
#include <string>

extern "C" __declspec(dllexport) std::uint32_t __cdecl Initialize(HWND, void*) {
  HMODULE self = nullptr;
  wchar_t path[MAX_PATH] = L"";
  if (::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&Initialize), &self) &&
      ::GetModuleFileNameW(self, path, MAX_PATH) > 0) {
    const std::wstring marker = std::wstring(path) + L".initialized";
    HANDLE file = ::CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
  }
  return 0;
}
extern "C" __declspec(dllexport) void __cdecl UnInitialize() {}
