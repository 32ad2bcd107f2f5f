// Stands in for the person and the programs around an update in the
// end-to-end tests:
//   update_e2e_helper answer ok|cancel SECONDS   answers the consent prompt
//   update_e2e_helper hold MUTEX SECONDS         holds a named mutex (a game, a second updater)
//   update_e2e_helper close EXE SECONDS          closes the windows of a program by its path
//   update_e2e_helper running EXE                exit code 0 when the program runs
//   update_e2e_helper about -                    opens the progress dialog's about box
//   update_e2e_helper window CLASS SECONDS       exit code 0 when such a window appears
//   update_e2e_helper status SECONDS             prints the progress dialog's two lines
//                                                once they settle, then closes it
//   update_e2e_helper titled TEXT SECONDS        exit code 0 when a window with that title appears
//   update_e2e_helper trust add|remove CERT.der  adds a certificate to the trusted roots, or takes it away
#include <windows.h>
#include <tlhelp32.h>
#include <wincrypt.h>

#include <string>
#include <vector>

namespace {

DWORD FindByPath(const std::wstring& exe) {
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  DWORD found = 0;
  for (BOOL more = ::Process32FirstW(snap, &pe); more && !found; more = ::Process32NextW(snap, &pe)) {
    HANDLE mods = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pe.th32ProcessID);
    if (mods == INVALID_HANDLE_VALUE) continue;
    MODULEENTRY32W me{};
    me.dwSize = sizeof me;
    if (::Module32FirstW(mods, &me) && ::lstrcmpiW(me.szExePath, exe.c_str()) == 0) found = pe.th32ProcessID;
    ::CloseHandle(mods);
  }
  ::CloseHandle(snap);
  return found;
}

BOOL CALLBACK CloseOwned(HWND hwnd, LPARAM pid) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(hwnd, &owner);
  if (owner == static_cast<DWORD>(pid) && ::GetWindowTextLengthW(hwnd) > 0) ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring verb = argv[1];
  const int seconds = argc > 3 ? _wtoi(argv[3]) : 10;
  if (verb == L"answer") {
    const WPARAM button = std::wstring(argv[2]) == L"ok" ? IDOK : IDCANCEL;
    for (int i = 0; i < seconds * 10; ++i) {
      if (HWND prompt = ::FindWindowW(nullptr, L"更新提示")) {
        ::Sleep(200);  // let it finish its initialisation
        ::PostMessageW(prompt, WM_COMMAND, button, 0);
        return 0;
      }
      ::Sleep(100);
    }
    return 1;
  }
  if (verb == L"hold") {
    HANDLE m = ::CreateMutexW(nullptr, FALSE, argv[2]);
    ::Sleep(static_cast<DWORD>(seconds) * 1000);
    if (m) ::CloseHandle(m);
    return 0;
  }
  if (verb == L"close") {
    const DWORD pid = FindByPath(argv[2]);
    if (!pid) return 0;
    ::EnumWindows(CloseOwned, static_cast<LPARAM>(pid));
    for (int i = 0; i < seconds * 10 && FindByPath(argv[2]); ++i) ::Sleep(100);
    return FindByPath(argv[2]) ? 1 : 0;
  }
  if (verb == L"running") return FindByPath(argv[2]) ? 0 : 1;
  if (verb == L"about") {  // opens the updater's about box from its system menu
    HWND dialog = ::FindWindowW(nullptr, L"检查更新");
    if (!dialog) return 1;
    ::PostMessageW(dialog, WM_SYSCOMMAND, 16, 0);
    return 0;
  }
  if (verb == L"titled") {
    for (int i = 0; i < seconds * 10; ++i, ::Sleep(100))
      if (::FindWindowW(nullptr, argv[2])) return 0;
    return 1;
  }
  if (verb == L"trust" && argc > 3) {
    HANDLE file = ::CreateFileW(argv[3], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::vector<BYTE> der(64 * 1024);
    DWORD got = 0;
    const BOOL read = ::ReadFile(file, der.data(), static_cast<DWORD>(der.size()), &got, nullptr);
    ::CloseHandle(file);
    if (!read || got == 0) return 1;
    if (std::wstring(argv[2]) == L"add") return ::CertAddEncodedCertificateToSystemStoreW(L"Root", der.data(), got) ? 0 : 1;
    HCERTSTORE store = ::CertOpenSystemStoreW(0, L"Root");
    if (!store) return 1;
    PCCERT_CONTEXT cert = ::CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), got);
    PCCERT_CONTEXT found = cert ? ::CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, cert,
                                                               nullptr)
                                : nullptr;
    const BOOL removed = found && ::CertDeleteCertificateFromStore(found);  // frees `found`
    if (cert) ::CertFreeCertificateContext(cert);
    ::CertCloseStore(store, 0);
    return removed ? 0 : 1;
  }
  if (verb == L"window") {
    for (int i = 0; i < seconds * 10; ++i, ::Sleep(100))
      if (::FindWindowW(argv[2], nullptr)) return 0;
    return 1;
  }
  if (verb == L"status") {
    const int limit = _wtoi(argv[2]);
    HWND dialog = nullptr;
    for (int i = 0; i < limit * 10 && !dialog; ++i, ::Sleep(100)) dialog = ::FindWindowW(nullptr, L"检查更新");
    if (!dialog) return 1;
    std::wstring last;
    int stable = 0;
    for (int i = 0; i < limit * 4 && stable < 10 && ::IsWindow(dialog); ++i, ::Sleep(250)) {
      wchar_t a[512] = {}, b[512] = {};
      ::GetDlgItemTextW(dialog, 1001, a, 512);
      ::GetDlgItemTextW(dialog, 1002, b, 512);
      const std::wstring now = std::wstring(a) + L"\n" + b;
      stable = now == last ? stable + 1 : 0;
      last = now;
    }
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    char out[4096] = {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, last.c_str(), -1, out, sizeof out - 1, nullptr, nullptr);
    DWORD written = 0;
    if (n > 1) ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), out, static_cast<DWORD>(n - 1), &written, nullptr);
    return 0;
  }
  return 2;
}
