// The small dialog that ends a game only when an adult types "exit". It counts
// down from 10 seconds and cancels itself when time runs out.
#pragma once

#include "framework/dialog.h"
#include "style/window_fade.h"

class CExitDialog : public fw::CDialog {
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

  HWND parent_;
  WindowFade fade_;
  int countdown_ = 10;
};
