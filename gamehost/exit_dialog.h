// The small dialog that ends a game only when an adult types "exit". It counts
// down from 10 seconds and cancels itself when time runs out.
#pragma once

#include "framework/dialog.h"
#include "style/button_st.h"
#include "style/skin.h"
#include "style/window_fade.h"

// The dialog that ends a game when an adult types "exit".
class CExitDialog : public fw::CDialog, public CSkin {
 public:
  explicit CExitDialog(HWND parent);

  // Runs modally over the parent: IDOK when "exit" was confirmed, IDCANCEL otherwise.
  INT_PTR Run();
  // For the host: fade out and cancel from outside (item switch, time up).
  void FadeOutAndCancel();
  HWND editBox() const { return Item(1002); }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  FW_DECLARE_MESSAGE_MAP()

 private:
  void OnTimer(UINT_PTR id);
  void AppendLetter(wchar_t letter, int buttonId);
  void OnLetterT() { AppendLetter(L't', 1009); }
  void OnLetterI() { AppendLetter(L'i', 1010); }
  void OnLetterX() { AppendLetter(L'x', 1011); }
  void OnLetterE() { AppendLetter(L'e', 1012); }

  // Binds the nine picture buttons and puts them over the skin's picture.
  void SkinButtons();

  HWND parent_;
  WindowFade fade_;
  CButtonST okButton_, cancelButton_;
  CButtonST prompt_, secondsLabel_, countdownLabel_;  // disabled buttons used as labels
  CButtonST letterE_, letterX_, letterI_, letterT_;
  int countdown_ = 10;
};
