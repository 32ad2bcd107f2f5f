#include "modules/carlogo/carlogo_board.h"

#include "core/wait_bounds.h"
#include "framework/text.h"

namespace badges = bimbly::badges;

CBackGroundWndPicCarLogo::CBackGroundWndPicCarLogo(HINSTANCE module, HWND host, const ModuleStartInfo& info)
    : CBackGroundWnd(module, host, info), spokenText_(info.itemName) {
  SayItemName();
}

CBackGroundWndPicCarLogo::~CBackGroundWndPicCarLogo() {
  StopTakingKeys();
  // The badge goes on the board's thread, where the key hook replaces it.
  RunOnBoardThread([this] { badge_.reset(); }, bimbly::BoardReleaseMs(1));
  DestroyImageWindow();
}

bool CBackGroundWndPicCarLogo::ShowBadge(int n) {
  badge_.reset();
  auto badge = std::make_unique<CBaseObjectWnd>();
  const std::string name = "IMG" + std::to_string(n);
  if (!badge->LoadImageResource(name.c_str(), module_)) return false;
  if (!badge->CreateImageWindow(hwnd())) return false;
  // The board's end may have been served while the badge's window was made:
  // nothing made after it may outlive it.
  if (going()) return true;
  badge->PlaceCentredAt(0.5f, 0.5f);
  ::ShowWindow(badge->hwnd(), SW_SHOWNA);
  badge->Invalidate();
  badge_ = std::move(badge);
  return true;
}

bool CBackGroundWndPicCarLogo::KeyDownWaiting() const {
  // Posted messages only: nothing sent to the board is served from here.
  MSG msg{};
  return ::PeekMessageW(&msg, hwnd(), WM_PLAY_KEYDOWN, WM_PLAY_KEYDOWN, PM_NOREMOVE | PM_QS_POSTMESSAGE) != FALSE;
}

void CBackGroundWndPicCarLogo::ShowCurrentBadge() {
  badgePending_ = false;
  if (!ShowBadge(badgeIndex_)) {
    // A badge that cannot be shown falls back to the first one.
    badgeIndex_ = 0;
    ShowBadge(0);
  }
  badgeName_ = fw::WideToGbk(fw::LoadResourceString(module_, static_cast<UINT>(badges::kFirstNameId + badgeIndex_)));
  spokenText_ = badgeName_.c_str();
}

void CBackGroundWndPicCarLogo::OnBoardKeyDown(UINT key, UINT) {
  if (key == VK_RETURN || key == VK_SPACE) {
    if (badgePending_) ShowCurrentBadge();  // the name said is that of the badge on screen
    // A badge's name has no English label: it is said as it is.
    if (spokenText_ == itemName_) {
      SayItemName();
    } else {
      SayText(spokenText_);
    }
    return;
  }
  badgeIndex_ = badges::NextBadge(badgeIndex_, key == VK_LEFT || key == VK_UP);
  // A key already waiting would replace this badge at once: under a mashing
  // child only the badge the keys end on is made, so the board keeps up.
  if (KeyDownWaiting()) {
    badgePending_ = true;
    return;
  }
  ShowCurrentBadge();
}
