// The car-badge board: a picture book of 41 badges. Every key shows the next
// badge alone in the middle of the screen, the left and up arrows go back,
// and Enter or Space has the name of the badge on screen spoken (the item's
// name before the first badge).
#pragma once

#include <memory>
#include <string>

#include "core/badge_order.h"
#include "modules/common/background_wnd.h"
#include "toolkit/base_object_wnd.h"

// The board of DeckCarLogo.dll: a picture book of car badges.
class CBackGroundWndPicCarLogo : public CBackGroundWnd {
 public:
  static constexpr int kBackgroundCount = 5;

  CBackGroundWndPicCarLogo(HINSTANCE module, HWND host, const ModuleStartInfo& info);
  ~CBackGroundWndPicCarLogo() override;

 protected:
  void OnBoardKeyDown(UINT key, UINT flags) override;

 private:
  bool ShowBadge(int n);
  void ShowCurrentBadge();  // with its name
  bool KeyDownWaiting() const;

  const char* spokenText_;
  std::string badgeName_;  // GBK
  int badgeIndex_ = bimbly::badges::kNoBadge;
  bool badgePending_ = false;  // badgeIndex_ not yet shown: a later key was waiting
  std::unique_ptr<CBaseObjectWnd> badge_;
};
