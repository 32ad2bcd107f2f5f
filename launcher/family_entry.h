// The family's own cards ("我的家") as the rest of the launcher reaches them:
// the dialog that adds a card, the notice that the cards changed, and the one
// place where a card's name is spoken.
#pragma once

#include <windows.h>

#include <functional>

#include "core/family_store.h"

namespace launcher {

// Opens the family dialog over `owner` to add a card (from the item list's
// menu or the settings dialog's button). True when a card was saved; the
// tree and list have then been told.
bool OpenFamilyDialog(HWND owner);
// Opens it to edit the card with this id (a card that is gone: false).
bool EditFamilyCard(HWND owner, int id);
// Asks first, then removes the card and its files. True when it is gone.
bool DeleteFamilyCard(HWND owner, int id);

// Whoever shows the cards (the main frame) hears of every change here.
void SetFamilyChangedHandler(std::function<void()> handler);
void NotifyFamilyChanged();

// Cuts off what is being said and speaks the card's name.
void SpeakFamilyName(const bimbly::family::Item& card);

}  // namespace launcher
