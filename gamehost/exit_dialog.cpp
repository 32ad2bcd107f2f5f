#include "gamehost/exit_dialog.h"

#include <imm.h>

#include <string>

#include "core/exit_word.h"
#include "framework/text.h"
#include "gamehost/resource.h"
#include "style/choose_style.h"

namespace {
constexpr UINT_PTR kCountdownTimer = 1;
constexpr UINT kCountdownPeriodMs = 1000;
}  // namespace

const fw::MessageEntry CExitDialog::kMessageEntries[] = {
    SkinPaintEntry<CExitDialog>(),
    SkinEraseEntry<CExitDialog>(),
    SkinCtlColorEntry<CExitDialog>(),
    fw::OnTimer<&CExitDialog::OnTimer>(),
    fw::OnCommand<&CExitDialog::OnLetterT>(IDC_EXIT_LETTER_T, BN_CLICKED),
    fw::OnCommand<&CExitDialog::OnLetterI>(IDC_EXIT_LETTER_I, BN_CLICKED),
    fw::OnCommand<&CExitDialog::OnLetterX>(IDC_EXIT_LETTER_X, BN_CLICKED),
    fw::OnCommand<&CExitDialog::OnLetterE>(IDC_EXIT_LETTER_E, BN_CLICKED),
};
const fw::MessageMap CExitDialog::kMessageMap = fw::MakeMessageMap(&fw::CDialog::kMessageMap, kMessageEntries);

CExitDialog::CExitDialog(HWND parent) : fw::CDialog(IDD_EXIT), parent_(parent) {}

INT_PTR CExitDialog::Run() { return DoModal(parent_); }

BOOL CExitDialog::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  // Letters must arrive as plain characters, never through an input method.
  ::ImmAssociateContext(hwnd_, nullptr);
  ::ImmAssociateContext(Item(IDC_EXIT_EDIT), nullptr);
  SkinButtons();
  SetStyle(style::CurrentStyle(), hwnd_);

  fade_.FadeIn(hwnd_);

  ::SetTimer(hwnd_, kCountdownTimer, kCountdownPeriodMs, nullptr);
  ::SetFocus(Item(IDC_EXIT_EDIT));
  return FALSE;  // the focus is set
}

void CExitDialog::OnTimer(UINT_PTR) {
  // The adult's dialog stays over the board: under Wine a board raised from
  // its own thread (its display connection) can come over the windows it
  // owns some time after they were shown.
  ::SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const int shown = bimbly::CountdownAfterTick(countdown_);
  if (shown >= 0) {
    ::SetDlgItemTextW(hwnd_, IDC_EXIT_COUNTDOWN, std::to_wstring(shown).c_str());
    return;
  }
  // Time is up: cancel at once, without a fade.
  ::KillTimer(hwnd_, kCountdownTimer);
  EndDialog(IDCANCEL);
}

void CExitDialog::OnOK() {
  const std::wstring typed = fw::GetWindowTextString(Item(IDC_EXIT_EDIT));
  ::KillTimer(hwnd_, kCountdownTimer);
  fade_.FadeOut();
  // A wrong word closes the dialog too; the game goes on.
  EndDialog(bimbly::IsExitWord(typed) ? IDOK : IDCANCEL);
}

void CExitDialog::OnCancel() {
  ::KillTimer(hwnd_, kCountdownTimer);
  fade_.FadeOut();
  EndDialog(IDCANCEL);
}

void CExitDialog::FadeOutAndCancel() {
  if (hwnd_) OnCancel();
}

void CExitDialog::AppendLetter(wchar_t letter, int buttonId) {
  HWND edit = Item(IDC_EXIT_EDIT);
  std::wstring text = fw::GetWindowTextString(edit);
  text.push_back(letter);
  ::SetWindowTextW(edit, text.c_str());
  ::SetFocus(Item(buttonId));
}

void CExitDialog::SkinButtons() {
  struct Binding {
    CButtonST& button;
    int id;
    bool label;
  };
  const Binding bindings[] = {
      {okButton_, IDOK, false},
      {cancelButton_, IDCANCEL, false},
      {prompt_, IDC_EXIT_PROMPT, true},
      {secondsLabel_, IDC_EXIT_SECONDS, true},
      {countdownLabel_, IDC_EXIT_COUNTDOWN, true},
      {letterE_, IDC_EXIT_LETTER_E, false},
      {letterX_, IDC_EXIT_LETTER_X, false},
      {letterI_, IDC_EXIT_LETTER_I, false},
      {letterT_, IDC_EXIT_LETTER_T, false},
  };
  for (const Binding& b : bindings) {
    b.button.SubclassDlgItem(b.id, hwnd_);
    // The labels' disabled text is drawn plainly, not embossed.
    if (b.label) b.button.keepTextColours = true;
    b.button.SetTransparent();
  }
}
