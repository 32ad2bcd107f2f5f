#include "launcher/settings_dlg.h"

#include "core/settings_rules.h"
#include "core/style_table.h"
#include "framework/text.h"
#include "launcher/family_entry.h"
#include "launcher/resource.h"
#include "settings/settings_store.h"
#include "style/choose_style.h"

using namespace bimbly;

namespace {
constexpr const wchar_t* kTimeLimits[] = {L"10", L"20", L"30"};
}  // namespace

const fw::MessageEntry CSettingDlg::kMessageEntries[] = {
    SkinPaintEntry<CSettingDlg>(),
    SkinEraseEntry<CSettingDlg>(),
    SkinCtlColorEntry<CSettingDlg>(),
    fw::OnCommand<&CSettingDlg::OnStyleAuto>(IDC_SET_STYLE_AUTO, BN_CLICKED),
    fw::OnCommand<&CSettingDlg::OnStyleManual>(IDC_SET_STYLE_MANUAL, BN_CLICKED),
    fw::OnCommand<&CSettingDlg::OnFamily>(IDC_SET_FAMILY, BN_CLICKED),
};
const fw::MessageMap CSettingDlg::kMessageMap = fw::MakeMessageMap(&fw::CDialog::kMessageMap, kMessageEntries);

CSettingDlg::CSettingDlg() : fw::CDialog(IDD_SETTINGS) {}

void CSettingDlg::DoDataExchange(fw::DataExchange& dx) {
  fw::DDX_Radio(dx, IDC_SET_UPDATE_AUTO, updateChoice_);
  fw::DDX_Radio(dx, IDC_SET_STYLE_AUTO, styleChoice_);
  fw::DDX_Check(dx, IDC_SET_REMIND, hints_);
  fw::DDX_Radio(dx, IDC_SET_SPEAK_CHINESE, speakChoice_);
  fw::DDX_Check(dx, IDC_SET_QUIET, quiet_);
  // The play-time list: its shown entry's text, or the first entry that
  // begins with the stored text (none when no entry does).
  HWND list = Item(IDC_SET_TIME_LIMIT);
  if (!list) {
    dx.failed = true;
  } else if (dx.save) {
    timeLimitText_ = fw::GetWindowTextString(list);
  } else if (::SendMessageW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(timeLimitText_.c_str())) == CB_ERR) {
    ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  }
}

int CSettingDlg::StyleListSelection() const {
  const LRESULT sel = ::SendMessageW(Item(IDC_SET_STYLE_LIST), CB_GETCURSEL, 0, 0);
  return sel == CB_ERR ? -1 : static_cast<int>(sel);
}

BOOL CSettingDlg::OnInitDialog() {
  HWND timeList = Item(IDC_SET_TIME_LIMIT);
  for (const wchar_t* entry : kTimeLimits)
    ::SendMessageW(timeList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
  HWND styleList = Item(IDC_SET_STYLE_LIST);
  for (int style = 0; style < kNamedStyleCount; ++style)
    ::SendMessageW(styleList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(StyleFor(style).settingsName));
  okButton_.SubclassDlgItem(IDOK, hwnd_);
  cancelButton_.SubclassDlgItem(IDCANCEL, hwnd_);
  familyButton_.SubclassDlgItem(IDC_SET_FAMILY, hwnd_);

  const std::wstring path = settings::GetConfigFilePath();
  const std::wstring remind =
      settings::ReadConfigString(config::kOperation, config::kRemind, config::kDefaultRemind, path);
  const int timeLimit =
      settings::ReadConfigInt(config::kOperation, config::kTimeLimit, config::kDefaultTimeLimitMinutes, path);
  const std::wstring updateMode =
      settings::ReadConfigString(config::kUpdate, config::kMode, config::kDefaultUpdateMode, path);
  const std::wstring styleMode =
      settings::ReadConfigString(config::kStyle, config::kMode, config::kDefaultStyleMode, path);
  const int choose = settings::ReadConfigInt(config::kStyle, config::kChoose, config::kDefaultStyleChoice, path);
  speakChoice_ = static_cast<int>(settings::ReadSpeakLanguage(path));
  quiet_ = settings::ReadQuietOn(path) ? 1 : 0;

  hints_ = IsRemindOn(remind) ? 1 : 0;
  timeLimitText_ = std::to_wstring(timeLimit);
  updateChoice_ = IsAutoMode(updateMode) ? 0 : 1;
  // An index outside the list selects nothing.
  ::SendMessageW(styleList, CB_SETCURSEL, static_cast<WPARAM>(choose >= 0 && choose < kNamedStyleCount ? choose : -1),
                 0);
  styleChoice_ = IsAutoMode(styleMode) ? 0 : 1;
  ::EnableWindow(styleList, styleChoice_ == 1);
  initialStyleChoice_ = styleChoice_;
  initialStyleIndex_ = choose;
  UpdateData(false);

  okButton_.SetTransparent();
  cancelButton_.SetTransparent();
  familyButton_.SetTransparent();

  SetStyle(style::CurrentStyle(), hwnd_);
  fade_.FadeIn(hwnd_);
  return TRUE;
}

void CSettingDlg::OnOK() {
  UpdateData(true);
  const std::wstring path = settings::GetConfigFilePath();
  settings::WriteConfigString(config::kOperation, config::kRemind, hints_ == 1 ? config::kRemindOn : config::kRemindOff,
                              path);
  settings::WriteConfigString(config::kOperation, config::kTimeLimit, timeLimitText_, path);
  settings::WriteConfigString(config::kUpdate, config::kMode, updateChoice_ != 0 ? config::kManual : config::kAuto,
                              path);
  settings::WriteConfigString(config::kStyle, config::kMode, styleChoice_ != 0 ? config::kManual : config::kAuto,
                              path);
  // The list's index is kept even while the automatic style is chosen.
  const int selection = StyleListSelection();
  settings::WriteStyleChoice(path, selection);
  // A group with nothing ticked (cannot happen by clicking) keeps Chinese.
  settings::WriteConfigString(config::kOperation, config::kSpeak,
                              SpeakLanguageText(SpeakLanguageFromNumber(speakChoice_)), path);
  settings::WriteConfigString(config::kOperation, config::kQuiet, quiet_ == 1 ? config::kQuietOn : config::kQuietOff,
                              path);

  if (styleChoice_ != initialStyleChoice_ || selection != initialStyleIndex_) {
    const std::wstring text = fw::LoadResourceString(fw::ThisModule(), IDS_STYLE_RESTART);
    ::MessageBoxW(hwnd_, text.c_str(), L"Tobble", MB_OK);
  }
  fade_.FadeOut();
  EndDialog(IDOK);
}

void CSettingDlg::OnCancel() {
  fade_.FadeOut();
  EndDialog(IDCANCEL);
}

void CSettingDlg::OnStyleAuto() { ::EnableWindow(Item(IDC_SET_STYLE_LIST), FALSE); }
void CSettingDlg::OnStyleManual() { ::EnableWindow(Item(IDC_SET_STYLE_LIST), TRUE); }

void CSettingDlg::OnFamily() {
  // The family dialog saves what it edits itself; OK and Cancel here are
  // about this dialog's settings only.
  launcher::OpenFamilyDialog(hwnd_);
}
