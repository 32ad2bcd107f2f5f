// The music board: most keys of the four main rows play a note with the
// item's instrument for as long as they are held; the instrument's picture
// and its small figures animate while any key is held; a chart of the keyboard
// with the note names sits in the bottom-left corner at half size.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "core/music_tables.h"
#include "modules/common/background_wnd.h"
#include "modules/music/midi_output.h"
#include "toolkit/base_object_wnd.h"

// The board of Music.dll: keys play notes on the item's instrument.
class CBackGroundWndMusic : public CBackGroundWnd {
 public:
  CBackGroundWndMusic(HINSTANCE module, HWND host, const ModuleStartInfo& info);
  ~CBackGroundWndMusic() override;

  // Background of an item index; empty for an index the table does not list.
  static std::wstring BackgroundFor(int itemIndex);

  // Has the pictures made and placed on the board's thread and the item's
  // name spoken; false when a picture's window could not be made.
  bool OnBoardShown() override;

 protected:
  void OnBoardKeyDown(UINT key, UINT flags) override;
  void OnBoardKeyUp(UINT key, UINT flags) override;

 private:
  void Send(std::uint32_t message);
  void SetChannel(int channel);
  void SetProgram(int program);
  // A picture owned by the board window whose thread loads the picture,
  // makes the window and then runs `made` (one whose image does not load is
  // an empty window); null when the thread could not be started. Waited for
  // with the others.
  std::unique_ptr<CBaseObjectWnd> StartPicture(const char* name, bool whiteKey,
                                               std::function<void(CBaseObjectWnd&)> made);
  static void Place(CBaseObjectWnd& picture, const bimbly::music::PictureSpot& spot);
  void SetAnimation(bool on);
  bool ShowPictures();

  std::unique_ptr<CMidiOutput> midi_;
  int channel_ = 0;
  const int velocity_ = bimbly::music::kVelocity;
  int program_ = 0;
  // Made by the set-up and used by the key hooks, both on the board's thread.
  std::unique_ptr<CBaseObjectWnd> chart_;
  std::unique_ptr<CBaseObjectWnd> instrument_;
  std::array<std::unique_ptr<CBaseObjectWnd>, bimbly::music::kMaxDecorations> decorations_;
  int keysDown_ = 0;
};
