// The full-screen game window: hosts one play module's board at a time,
// routes the locked keyboard's keys and steps through the catalog.
#pragma once

#include <memory>
#include <string>

#include "core/settings_rules.h"
#include "framework/dialog.h"
#include "framework/handles.h"
#include "gamehost/system/covers.h"
#include "gamehost/exit_dialog.h"
#include "gamehost/system/foreground_guard.h"
#include "gamehost/system/mixer.h"
#include "gamehost/reminder.h"
#include "gamehost/system/restore_record.h"
#include "contracts/module_contract.h"

// The full-screen game window.
class CBackGroundDlg : public fw::CDialog {
 public:
  // `pictures`: the module whose resources hold the reminder pictures (the
  // launcher's program).
  CBackGroundDlg(SpeechRecord* speech, HINSTANCE pictures);
  ~CBackGroundDlg() override;

  // Chooses the catalog row to play; call before the modal run.
  void SelectCatalogEntry(int catalogIndex);
  // Chooses one of the family's own cards instead (Page Up / Page Down then
  // walk the family's cards); call before the modal run.
  void SelectFamilyCard(int id);
  int catalogIndex() const { return catalogIndex_; }
  int familyCard() const { return familyCard_; }
  HWND boardWindow() const { return board_; }

 protected:
  BOOL OnInitDialog() override;
  FW_DECLARE_MESSAGE_MAP()

 private:
  void OnPaint();
  LRESULT OnEraseBackground(WPARAM wp, LPARAM);
  void OnDestroy();
  void OnTimer(UINT_PTR id);
  LRESULT OnPlayKeyDown(WPARAM key, LPARAM flags);
  LRESULT OnPlayKeyUp(WPARAM key, LPARAM flags);
  LRESULT OnPlayPrevious(WPARAM, LPARAM);
  LRESULT OnPlayNext(WPARAM, LPARAM);
  LRESULT OnPlayExit(WPARAM, LPARAM);

  bool LoadKeyboardLock();
  void UnloadKeyboardLock();
  bool LoadPlayModule();
  // How long the window took to be black again and the library to be freed
  // once its board had gone, for the item switch's account.
  struct UnloadTimes {
    double blackMs = 0, freedMs = 0;
  };
  UnloadTimes UnloadPlayModule();
  void SwitchItem(int direction);
  void OpenExitDialog(HWND parent);
  void ShowReminder(HWND parent, const wchar_t* resourceName);
  void ForwardToExitDialog(WPARAM key, LPARAM flags);

  // Keeping the game in front (game_front.cpp): covers over the other
  // monitors, edge swipes off, the foreground guard's timer.
  void HoldTheFront();
  void ReleaseTheFront();
  LRESULT OnWindowPosChanged(WPARAM, LPARAM);
  LRESULT OnDisplayChange(WPARAM, LPARAM);
  static void CALLBACK OnGuardTimer(HWND hwnd, UINT, UINT_PTR, DWORD);

  // Members in the order the game needs them.
  std::string moduleFile_;
  const char* name_ = nullptr;
  const char* englishLabel_ = nullptr;
  int moduleItemIndex_ = -1;
  ModuleStartInfo startInfo_{};
  int catalogIndex_ = 0;
  int familyCard_ = -1;  // the family card's id while one plays, else -1
  std::string familyName_;        // GBK, for the start block
  std::string familySecondName_;  // GBK
  HWND board_ = nullptr;
  fw::UniqueModule keyboardLock_;
  fw::UniqueModule playModule_;
  std::unique_ptr<CImageWnd> reminder_;  // the reminder picture's moving object
  HINSTANCE pictures_;                   // the module holding the reminder pictures
  bool remind_ = true;
  unsigned timeLimitMinutes_ = 0;
  bimbly::NameSpeaking naming_;  // quiet mode and the language of names, for the lines and the boards
  CExitDialog* exitDialog_ = nullptr;  // lives on the stack of OpenExitDialog while open
  fw::UniqueKernelHandle gameMutex_;
  MixerLine midiLine_;
  MixerLine waveLine_;
  bool taskbarWasAutoHide_ = false;
  SpeechRecord* speech_;
  // What a crashed game must get back at the next launcher start.
  gamehost::RestoreRecord restoreRecord_{gamehost::RestoreRecordPath(), gamehost::ThisComputer()};
  gamehost::CoverWindows covers_;
  gamehost::SystemWindowLayer windowLayer_;
  gamehost::ForegroundGuard guard_{windowLayer_};
};
