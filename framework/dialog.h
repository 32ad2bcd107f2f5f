// Dialogs from .rc templates, modal or modeless, with data exchange.
//
// Handlers in a dialog's message table work as in any window. A handler that
// leaves a message to the dialog manager simply is not in the table; Default()
// is not available inside dialogs.
#pragma once

#include <windows.h>

#include <string>

#include "framework/window.h"

namespace fw {

// Moves values between member variables and controls.
struct DataExchange {
  HWND dialog;
  bool save;  // true: controls -> members; false: members -> controls
  bool failed = false;
};

void DDX_Text(DataExchange& dx, int id, std::wstring& value);
void DDX_Check(DataExchange& dx, int id, int& value);  // BST_UNCHECKED / CHECKED / INDETERMINATE
// A group of radio buttons starting at firstId (the one with WS_GROUP); -1 when none is set.
void DDX_Radio(DataExchange& dx, int firstId, int& value);
// Selection index of a list box; -1 for none.
void DDX_ListIndex(DataExchange& dx, int id, int& value);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, HINSTANCE resources = nullptr);
  ~CDialog() override;

  // Runs the dialog modally; returns the EndDialog result, or -1 when the
  // template cannot be found or the dialog cannot be created.
  INT_PTR DoModal(HWND parent);
  // Creates the dialog modeless (also child templates such as dialog bars).
  bool CreateModeless(HWND parent);

  void EndDialog(INT_PTR result);
  bool UpdateData(bool saveAndValidate);
  HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }
  UINT templateId() const { return templateId_; }

 protected:
  // Returning TRUE lets the dialog manager set the default focus.
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(DataExchange&) {}
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    return DispatchDialog(message, wParam, lParam, result);
  }

  // Table, reflection, then the built-in handling; false leaves the message
  // to the dialog manager.
  virtual bool DispatchDialog(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  HINSTANCE resources_;

 private:
  UINT templateId_;
  bool modal_ = false;

  static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace fw
