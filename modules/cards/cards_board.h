// The picture-card board, one source for the six decks: every key sends one
// more copy of the item's picture out, up to the item's number of copies; then
// keys speed the copies up and either toggle the scene (insects, vehicles) or
// play the item's sound (birds, wild animals, pets, sea world). Enter and
// Space have the item's name spoken.
#pragma once

#include <array>
#include <memory>

#include "core/card_recipes.h"
#include "modules/common/background_wnd.h"
#include "toolkit/base_object_wnd.h"

class CBackGroundWndPicCards : public CBackGroundWnd {
 public:
  CBackGroundWndPicCards(HINSTANCE module, HWND host, const ModuleStartInfo& info, const bimbly::cards::Deck& deck);
  ~CBackGroundWndPicCards() override;

 protected:
  void OnBoardKeyDown(UINT key, UINT flags) override;

 private:
  void CreateCopy(int slot);
  void Play(const bimbly::cards::Sound& sound);
  void Toggle(const bimbly::cards::Toggle& action, bool motionOn);
  void SpeedUp();
  void Pulse(int ms);

  const bimbly::cards::Deck& deck_;
  const bimbly::cards::CardRecipe* item_;
  int copyCount_;
  std::array<std::unique_ptr<CBaseObjectWnd>, bimbly::cards::kMaxCopies> copies_;
  int created_ = 0;
  int running_ = 0;
};

