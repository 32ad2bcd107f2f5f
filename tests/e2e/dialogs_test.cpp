// The launcher's dialogs as a user works them: settings, about box, and the
// updater started when the launcher closes.
#include <gtest/gtest.h>
#include <windows.h>

#include "launcher/resource.h"
#include "tests/e2e/launcher_session.h"

using namespace e2e;

namespace {

// The dialog that a toolbar button opens over the frame.
HWND OpenFromToolbar(LauncherSession& tobble, int buttonId) {
  Focus(tobble.frame);
  ClickWindowCentre(::GetDlgItem(tobble.toolbar, buttonId));
  HWND dlg = nullptr;
  WaitUntil(
      [&] {
        for (HWND h : TopLevelWindows(tobble.process.id()))
          if (ClassName(h) == L"#32770" && ::GetWindow(h, GW_OWNER) == tobble.frame) dlg = h;
        return dlg != nullptr;
      },
      5000);
  return dlg;
}

int Alpha(HWND h) {
  BYTE a = 0;
  DWORD flags = 0;
  COLORREF key = 0;
  return ::GetLayeredWindowAttributes(h, &key, &a, &flags) ? a : -1;
}

bool Checked(HWND dlg, int id) { return ::SendMessageW(::GetDlgItem(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Click(HWND dlg, int id) { ClickWindowCentre(::GetDlgItem(dlg, id)); }

std::wstring Ini(const ProgramFolder& folder, const wchar_t* section, const wchar_t* key) {
  wchar_t value[64] = {};
  ::GetPrivateProfileStringW(section, key, L"<missing>", value, 64, folder.File(L"config.ini").c_str());
  return value;
}

std::wstring TestProgramDir() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  return dir.substr(0, dir.find_last_of(L'\\'));
}

const wchar_t kDefaultStyleName[] = L"\u9ED8\u8BA4";  // 默认
const wchar_t kSilverStyleName[] = L"\u94F6\u8272";   // 银色
const wchar_t kRestartMessage[] =
    L"\u754C\u9762\u98CE\u683C\u6539\u53D8\u91CD\u542F\u8F6F\u4EF6\u540E\u751F\u6548\u3002";

}  // namespace

TEST(LauncherDialogs, SettingsAboutAndTheUpdaterOnClose) {
  ProgramFolder folder;
  ASSERT_TRUE(::CopyFileW((TestProgramDir() + L"\\UpdateStandIn.exe").c_str(), folder.File(L"Update.exe").c_str(),
                          FALSE));
  {
    LauncherSession tobble(folder);
    ASSERT_TRUE(tobble.ok());

    // Without config.ini: the defaults, and a disabled style list.
    HWND dlg = OpenFromToolbar(tobble, IDC_TOOL_SETTINGS);
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(Checked(dlg, IDC_SET_REMIND));
    EXPECT_EQ(WindowText(::GetDlgItem(dlg, IDC_SET_TIME_LIMIT)), L"20");
    EXPECT_TRUE(Checked(dlg, IDC_SET_UPDATE_AUTO));
    EXPECT_TRUE(Checked(dlg, IDC_SET_STYLE_AUTO));
    EXPECT_EQ(WindowText(::GetDlgItem(dlg, IDC_SET_STYLE_LIST)), kDefaultStyleName);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_SET_STYLE_LIST)));
    EXPECT_TRUE(Checked(dlg, IDC_SET_SPEAK_CHINESE));
    EXPECT_FALSE(Checked(dlg, IDC_SET_QUIET));
    EXPECT_TRUE(WaitUntil([&] { return Alpha(dlg) == 200; }, 3000));

    // Cancel after changes writes nothing.
    Click(dlg, IDC_SET_REMIND);
    Click(dlg, IDC_SET_SPEAK_BOTH);
    Click(dlg, IDC_SET_QUIET);
    Click(dlg, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dlg); }, 5000));
    EXPECT_FALSE(folder.Exists(L"config.ini"));

    // OK writes all seven; a new style choice asks for a restart.
    dlg = OpenFromToolbar(tobble, IDC_TOOL_SETTINGS);
    ASSERT_NE(dlg, nullptr);
    Click(dlg, IDC_SET_REMIND);
    Click(dlg, IDC_SET_SPEAK_ENGLISH);
    Click(dlg, IDC_SET_QUIET);
    Click(dlg, IDC_SET_UPDATE_MANUAL);
    Click(dlg, IDC_SET_STYLE_MANUAL);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_SET_STYLE_LIST)));
    ::SendMessageW(::GetDlgItem(dlg, IDC_SET_STYLE_LIST), CB_SETCURSEL, 2, 0);
    EXPECT_EQ(WindowText(::GetDlgItem(dlg, IDC_SET_STYLE_LIST)), kSilverStyleName);
    Click(dlg, IDOK);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
          for (HWND h : TopLevelWindows(tobble.process.id()))
            if (h != dlg && ClassName(h) == L"#32770" && ::GetWindow(h, GW_OWNER) == dlg) box = h;
          return box != nullptr;
        },
        5000));
    EXPECT_EQ(LauncherSession::MessageBoxText(box), kRestartMessage);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dlg); }, 5000));
    EXPECT_EQ(Ini(folder, L"Operation", L"Remind"), L"n");
    EXPECT_EQ(Ini(folder, L"Operation", L"TimeLimit"), L"20");
    EXPECT_EQ(Ini(folder, L"Update", L"Mode"), L"manu");
    EXPECT_EQ(Ini(folder, L"Style", L"Mode"), L"manu");
    EXPECT_EQ(Ini(folder, L"Style", L"Choose"), L"2");
    EXPECT_EQ(Ini(folder, L"Operation", L"Speak"), L"en");
    EXPECT_EQ(Ini(folder, L"Operation", L"Quiet"), L"y");

    // The about box, without verinfo.ini.
    dlg = OpenFromToolbar(tobble, IDC_TOOL_ABOUT);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(WindowText(::GetDlgItem(dlg, IDC_ABOUT_VERSION)), L"Vembo Version 0.3.3.121");
    Click(dlg, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dlg); }, 5000));

    // Manual updating: closing starts nothing.
    tobble.Close();
    ::Sleep(1000);
    EXPECT_FALSE(folder.Exists(L"update-started.txt"));
  }
  {
    // Automatic updating: the updater starts in the background.
    folder.Write(L"config.ini", "[Update]\r\nMode=auto\r\n");
    LauncherSession tobble(folder);
    ASSERT_TRUE(tobble.ok());
    tobble.Close();
    ASSERT_TRUE(WaitUntil([&] { return folder.Exists(L"update-started.txt"); }, 10000));
    ::Sleep(200);
    const std::string args = folder.Read(L"update-started.txt");
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(args.data()), args.size() / 2), L"background");
  }
}
