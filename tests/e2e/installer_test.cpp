// The installer as a parent meets it: install, start the installed launcher,
// install over it, uninstall; silently, into a scratch folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "contracts/program_names.h"
#include "tests/e2e/launcher_session.h"

using namespace e2e;

namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Bimbly";
constexpr DWORD kSuiteRunsExitCode = 3;

std::wstring InstallerPath() {
  const std::wstring out = DeliverablesFolder();
  return out.substr(0, out.find_last_of(L'\\')) + L"\\out-installer\\" BIMBLY_INSTALLER_NAME;
}

bool PathExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

LONGLONG FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool KeyExists() {
  HKEY key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

std::wstring RegText(const wchar_t* name) {
  wchar_t buf[1024];
  DWORD size = sizeof(buf);
  if (::RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
    return L"<missing>";
  return buf;
}

DWORD RegNumber(const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  ::RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  return value;
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring result;
  if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path))) result = path;
  ::CoTaskMemFree(path);
  return result;
}

std::wstring StartMenuShortcut() { return KnownFolder(FOLDERID_Programs) + L"\\Bimbly.lnk"; }
std::wstring DesktopShortcut() { return KnownFolder(FOLDERID_Desktop) + L"\\Bimbly.lnk"; }

// The program a shortcut starts, or empty.
std::wstring ShortcutTarget(const std::wstring& lnk) {
  std::wstring target;
  IShellLinkW* link = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) return target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_PPV_ARGS(&file)))) {
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(file->Load(lnk.c_str(), STGM_READ)) && SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)))
      target = path;
    file->Release();
  }
  link->Release();
  return target;
}

// Runs a program to its end; its exit code, or STILL_ACTIVE when it overran.
DWORD RunToEnd(const std::wstring& exe, const std::wstring& args, DWORD timeoutMs = 60000) {
  Process p = Process::Start(exe, args);
  if (!p.started()) return static_cast<DWORD>(-1);
  return p.WaitForExit(timeoutMs) ? p.exitCode() : STILL_ACTIVE;
}

// Everything below a folder, for a failure message.
std::string Remaining(const std::wstring& folder) {
  std::string list;
  WIN32_FIND_DATAW fd;
  HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return list;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    list += " " + std::string(name.begin(), name.end());
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) list += " [" + Remaining(folder + L"\\" + name) + " ]";
  } while (::FindNextFileW(find, &fd));
  ::FindClose(find);
  return list;
}

// The deliverables this build made, by file name.
std::vector<std::wstring> BuiltDeliverables() {
  std::vector<std::wstring> names;
  for (const wchar_t* name : {L"Tobble.exe", L"KeyHush.dll", L"Music.dll", L"DeckInsect.dll", L"DeckBird.dll",
                              L"DeckTraffic.dll", L"DeckAnimal.dll", L"DeckPet.dll", L"DeckSea.dll",
                              L"DeckCarLogo.dll", L"DeckFamily.dll", L"Update.exe", L"Upmender.exe"}) {
    if (PathExists(DeliverablesFolder() + L"\\" + name)) names.push_back(name);
  }
  return names;
}

class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // An installation of this user's own would be overwritten and removed.
    if (KeyExists()) GTEST_SKIP() << "Bimbly is installed for this user; not touching it";
    dir = scratch.File(L"Bimbly");
    // A program of an earlier test may still be ending (an updater that a
    // launcher's close started, say); the installer would rightly refuse.
    const bool idle = WaitUntil(
        [] {
          for (const wchar_t* name : {contracts::kLauncherMutex, contracts::kGameMutex, contracts::kUpdaterMutex,
                                      contracts::kHelperMutex})
            if (MutexExists(name)) return false;
          return true;
        },
        60000);
    ASSERT_TRUE(idle) << "a program of the suite is still running in this prefix";
  }

  void TearDown() override {
    // After a failure, take back what this test put outside its scratch folder.
    if (!dir.empty() && KeyExists() && RegText(L"InstallLocation") == dir) {
      ::RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
      ::DeleteFileW(StartMenuShortcut().c_str());
      ::DeleteFileW(DesktopShortcut().c_str());
    }
    ::CoUninitialize();
  }

  std::wstring Installed(const std::wstring& name) const { return dir + L"\\" + name; }
  DWORD Install() const { return RunToEnd(InstallerPath(), L"/S /D=" + dir); }
  // In place (_?=), so that its exit code is its own and not that of the
  // copy an uninstaller normally hands over to.
  DWORD UninstallInPlace() const { return RunToEnd(Installed(L"Uninstall.exe"), L"/S _?=" + dir); }

  TestFolder scratch{L"bimbly-install-"};
  std::wstring dir;
};

}  // namespace

TEST_F(InstallerTest, InstallsStartsKeepsSettingsOverAnUpdateAndUninstallsWithoutATrace) {
  const std::wstring setup = InstallerPath();
  ASSERT_TRUE(PathExists(setup)) << "missing " << std::string(setup.begin(), setup.end());
  std::printf("installer %lld bytes\n", FileSize(setup));
  const std::vector<std::wstring> deliverables = BuiltDeliverables();
  ASSERT_GE(deliverables.size(), 10u);

  // First install: programs, uninstaller, shortcuts, the uninstall entry.
  ASSERT_EQ(Install(), 0u);
  LONGLONG total = 0;
  for (const std::wstring& name : deliverables) {
    EXPECT_EQ(FileSize(Installed(name)), FileSize(DeliverablesFolder() + L"\\" + name)) << name.c_str();
    total += FileSize(Installed(name));
  }
  EXPECT_TRUE(PathExists(Installed(L"Uninstall.exe")));
  EXPECT_FALSE(PathExists(Installed(L"config.ini")));
  EXPECT_FALSE(PathExists(Installed(L"verinfo.ini")));
  EXPECT_EQ(_wcsicmp(ShortcutTarget(StartMenuShortcut()).c_str(), Installed(L"Tobble.exe").c_str()), 0);
  EXPECT_EQ(_wcsicmp(ShortcutTarget(DesktopShortcut()).c_str(), Installed(L"Tobble.exe").c_str()), 0);
  EXPECT_EQ(RegText(L"DisplayName"), L"Bimbly");
  EXPECT_EQ(RegText(L"DisplayVersion"), BIMBLY_VERSION_TEXT);
  EXPECT_EQ(RegText(L"Publisher"), L"Bimbly");
  EXPECT_EQ(RegText(L"DisplayIcon"), Installed(L"Tobble.exe") + L",0");
  EXPECT_EQ(RegText(L"InstallLocation"), dir);
  EXPECT_EQ(RegText(L"UninstallString"), L"\"" + Installed(L"Uninstall.exe") + L"\"");
  EXPECT_EQ(RegText(L"QuietUninstallString"), L"\"" + Installed(L"Uninstall.exe") + L"\" /S");
  EXPECT_GE(RegNumber(L"EstimatedSize"), static_cast<DWORD>(total / 1024));
  EXPECT_LE(RegNumber(L"EstimatedSize"), static_cast<DWORD>(total / 1024 + 4096));

  {
    // The installed launcher starts from its folder; while it runs, neither
    // installer nor uninstaller changes anything.
    LauncherSession tobble(Installed(L"Tobble.exe"));
    ASSERT_TRUE(tobble.ok());
    EXPECT_EQ(WindowText(tobble.frame), std::wstring(L"Bimbly ") + BIMBLY_VERSION_TEXT);
    scratch.Write(L"Bimbly\\Music.dll", "stale");
    EXPECT_EQ(Install(), kSuiteRunsExitCode);
    EXPECT_EQ(FileSize(Installed(L"Music.dll")), 5);
    EXPECT_EQ(UninstallInPlace(), kSuiteRunsExitCode);
    EXPECT_TRUE(PathExists(Installed(L"Tobble.exe")));
    EXPECT_TRUE(KeyExists());
    tobble.Close();
  }

  // What the programs write meanwhile: settings, and an update that brought a
  // version, a new file and the update folder's files.
  const std::string settings = "[Update]\r\nMode=manual\r\n[Remind]\r\nenable=false\r\n";
  scratch.Write(L"Bimbly\\config.ini", settings);
  scratch.Write(L"Bimbly\\verinfo.ini", "[Version]\r\nver=9.9.9.9\r\npath=x\\\r\n[History0]\r\nver=0.1\r\n");
  ASSERT_TRUE(::CreateDirectoryW(Installed(L"download").c_str(), nullptr));
  scratch.Write(L"Bimbly\\Extra.dll", "new");
  scratch.Write(L"Bimbly\\download\\lastver.ini",
                "[Version]\r\nver=9.9.9.9\r\n[File0]\r\nfile=Extra.dll\r\n[File1]\r\nfile=*\r\n"
                "[File2]\r\nfile=..\\outside.txt\r\n");
  scratch.Write(L"outside.txt", "not ours");
  for (const wchar_t* name : {L"update.ini", L"uphelp.ini", L"updatetest.ini", L"Extra.dll_", L"Tobble.exe_"})
    scratch.Write(std::wstring(L"Bimbly\\download\\") + name, "x");

  // Installing over it replaces the programs, keeps the settings, records its version.
  ASSERT_EQ(Install(), 0u);
  EXPECT_EQ(FileSize(Installed(L"Music.dll")), FileSize(DeliverablesFolder() + L"\\Music.dll"));
  EXPECT_EQ(scratch.Read(L"Bimbly\\config.ini"), settings);
  wchar_t ver[64];
  ::GetPrivateProfileStringW(L"Version", L"ver", L"", ver, 64, Installed(L"verinfo.ini").c_str());
  EXPECT_STREQ(ver, BIMBLY_VERSION_TEXT);
  ::GetPrivateProfileStringW(L"History1", L"ver", L"", ver, 64, Installed(L"verinfo.ini").c_str());
  EXPECT_STREQ(ver, L"9.9.9.9");

  // The family's cards live in the user's data; a silent uninstall keeps them.
  // (A book without cards, so that no other test sees a family category.)
  wchar_t appData[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)));
  const std::wstring familyDir = std::wstring(appData) + L"\\Bimbly\\family";
  const bool hadFamily = PathExists(familyDir + L"\\family.ini");
  ::CreateDirectoryW((std::wstring(appData) + L"\\Bimbly").c_str(), nullptr);
  ::CreateDirectoryW(familyDir.c_str(), nullptr);
  if (!hadFamily) {
    HANDLE f = ::CreateFileW((familyDir + L"\\family.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    const char kEmptyBook[] = "[Family]\r\nVersion=1\r\n";
    ::WriteFile(f, kEmptyBook, sizeof kEmptyBook - 1, &written, nullptr);
    ::CloseHandle(f);
  }

  // The uninstaller the uninstall entry names, as Windows runs it: it hands
  // over to a copy of itself and returns; the folder goes when that is done.
  ASSERT_EQ(RunToEnd(Installed(L"Uninstall.exe"), L"/S"), 0u);
  EXPECT_TRUE(WaitUntil([&] { return !PathExists(dir); }, 20000)) << "left behind:" << Remaining(dir);
  EXPECT_FALSE(KeyExists());
  EXPECT_FALSE(PathExists(StartMenuShortcut()));
  EXPECT_FALSE(PathExists(DesktopShortcut()));
  EXPECT_EQ(scratch.Read(L"outside.txt"), "not ours");
  EXPECT_TRUE(PathExists(familyDir + L"\\family.ini"));
  if (!hadFamily) {
    ::DeleteFileW((familyDir + L"\\family.ini").c_str());
    ::RemoveDirectoryW(familyDir.c_str());
    ::RemoveDirectoryW((std::wstring(appData) + L"\\Bimbly").c_str());
  }
}

TEST_F(InstallerTest, RefusesFoldersThatAreNotItsOwnAndLeavesWhatWasThereBefore) {
  constexpr DWORD kRefusedFolderExitCode = 4;
  wchar_t windows[MAX_PATH] = {};
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  ASSERT_TRUE(::CreateDirectoryW(scratch.File(L"foreign").c_str(), nullptr));
  scratch.Write(L"foreign\\notes.txt", "a parent's notes");
  const std::wstring refused[] = {L"C:\\", KnownFolder(FOLDERID_Profile), KnownFolder(FOLDERID_Documents),
                                  KnownFolder(FOLDERID_Downloads), std::wstring(windows) + L"\\Bimbly",
                                  scratch.File(L"foreign")};
  for (const std::wstring& target : refused) {
    EXPECT_EQ(RunToEnd(InstallerPath(), L"/S /D=" + target), kRefusedFolderExitCode) << std::string(target.begin(), target.end());
    EXPECT_FALSE(PathExists(target + L"\\Tobble.exe"));
    EXPECT_FALSE(KeyExists());
  }
  EXPECT_EQ(scratch.Read(L"foreign\\notes.txt"), "a parent's notes");

  // A folder with an earlier copy of the suite is taken; its settings were
  // there before this installer and stay after the uninstall.
  ASSERT_TRUE(::CreateDirectoryW(dir.c_str(), nullptr));
  scratch.Write(L"Bimbly\\Tobble.exe", "an earlier copy");
  scratch.Write(L"Bimbly\\config.ini", "[Update]\r\nMode=manual\r\n");
  ASSERT_EQ(Install(), 0u);
  // The folder's own access list cannot be read back here: Wine keeps no
  // access lists on files, it maps them to Unix modes.
  ASSERT_EQ(UninstallInPlace(), 0u);
  EXPECT_EQ(scratch.Read(L"Bimbly\\config.ini"), "[Update]\r\nMode=manual\r\n");
  EXPECT_FALSE(PathExists(Installed(L"Tobble.exe")));
  EXPECT_FALSE(PathExists(Installed(L"install.ini")));
  EXPECT_FALSE(KeyExists());
}
