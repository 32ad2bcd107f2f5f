// The picture-card board, one source for the six decks: every key sends one
// more copy of the item's picture out, up to the item's number of copies; then
// keys speed the copies up and either toggle the scene (insects, vehicles) or
// play the item's sound (birds, wild animals, pets, sea world). Enter and
// Space have the item's name spoken.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/card_recipes.h"
#include "core/family_store.h"
#include "modules/common/background_wnd.h"
#include "modules/common/board_sound.h"
#include "toolkit/base_object_wnd.h"

// A card of the family's own: its recipe comes from the card, its picture and
// sound from the files a parent added (already checked).
struct FamilyCardFiles {
  bimbly::cards::CardRecipe recipe;
  std::vector<std::uint8_t> picture;  // never empty: a placeholder stands in
  bimbly::family::Size pictureSize;
  std::vector<std::uint8_t> sound;    // plain PCM WAV; empty: the name is spoken
  std::wstring name;
  std::wstring secondName;
};

// The board of the six Deck*.dll card decks (one source, one deck's tables each)
// and of DeckFamily.dll, whose one card comes from the family's own files.
class CBackGroundWndPicCards : public CBackGroundWnd {
 public:
  CBackGroundWndPicCards(HINSTANCE module, HWND host, const ModuleStartInfo& info, const bimbly::cards::Deck& deck);
  // The family board: one card, drawn at a size that suits the screen.
  CBackGroundWndPicCards(HINSTANCE module, HWND host, const ModuleStartInfo& info,
                         std::unique_ptr<FamilyCardFiles> card);
  ~CBackGroundWndPicCards() override;

 protected:
  void OnBoardKeyDown(UINT key, UINT flags) override;

 private:
  void CreateCopy(int slot);
  void Play(const bimbly::cards::Sound& sound);
  void Toggle(const bimbly::cards::Toggle& action, bool motionOn);
  void SpeedUp();
  void Pulse(int ms);
  void SpeakName();
  void BoundPulseBacklog();
  void FitToScreen(CBaseObjectWnd& copy, bool centred);

  std::unique_ptr<FamilyCardFiles> family_;  // before item_, which may point into it
  const bimbly::cards::Deck& deck_;
  const bimbly::cards::CardRecipe* item_;
  int copyCount_;
  std::array<std::unique_ptr<CBaseObjectWnd>, bimbly::cards::kMaxCopies> copies_;
  int created_ = 0;
  int running_ = 0;
  // Off the board's thread, so that keys never wait for the sound device.
  std::unique_ptr<CBoardSound> sound_ = std::make_unique<CBoardSound>();
};

