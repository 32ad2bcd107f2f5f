// The family dialog: adds or edits one of the family's own cards. Every
// picked file goes through the checks of toolkit/family_files.h; a problem
// shows as a message in the dialog and nothing is written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/family_store.h"
#include "framework/dialog.h"
#include "framework/handles.h"
#include "launcher/sound_capture.h"
#include "style/button_st.h"
#include "style/skin.h"
#include "style/window_fade.h"
#include "toolkit/family_files.h"

// Skinned and faded in the run's style like the settings dialog it opens from.
class CFamilyDlg : public fw::CDialog, public CSkin {
 public:
  // `id` of the card to edit, or -1 for a new one.
  CFamilyDlg(bimbly::family::Book book, int id);
  ~CFamilyDlg() override;
  const bimbly::family::Book& book() const { return book_; }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  FW_DECLARE_MESSAGE_MAP()

 private:
  enum SoundChoice { kNone = 0, kFile = 1, kRecording = 2 };
  void OnPictureChanged();
  void OnSoundPathChanged();
  void OnBrowsePicture();
  void OnBrowseSound();
  void OnRecord();
  void OnPlay();
  void OnSoundChoice();
  void OnTimer(UINT_PTR id);
  void OnDestroy();
  // The checks; false (with the message shown) when the input is refused.
  bool CheckPicture();
  bool CheckSound();
  void StopRecording();
  void StopPlaying();
  void ShowMessage(const std::wstring& text);
  void SetLabel(int id, const std::wstring& text);
  void RepaintUnder(int id);
  void ShowSoundText();
  void ShowPreview(HBITMAP bitmap);
  int SoundChoiceNow() const;
  void EnableSoundControls();

  bimbly::family::Book book_;
  int id_;
  std::wstring checkedPicturePath_;
  family_files::PreparedPicture picture_;  // a newly picked picture, when problem is kOk
  bool pictureRefused_ = false;
  std::wstring checkedSoundPath_;
  family_files::Bytes fileSound_;      // from the WAV file
  bool soundRefused_ = false;
  family_files::Bytes recording_;      // the recording as a WAV
  family_files::Bytes storedSound_;    // what the card had
  std::vector<std::uint8_t> samples_;  // while recording
  std::unique_ptr<launcher::SoundCapture> capture_;
  bool microphone_ = false;
  bool recording_on_ = false;
  bool asking_ = false;  // a question is open: OK waits for its answer
  family_files::Bytes playing_;  // kept alive while it plays
  fw::UniqueBitmap preview_;
  WindowFade fade_;
  // The push buttons, in the order of kPictureButtonIds.
  CButtonST buttons_[6];
  fw::UniqueWindow tooltip_;
};
