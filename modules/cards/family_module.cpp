// Exports of DeckFamily.dll: the picture-card board playing one of the
// family's own cards. The host hands over the card's id as the item index;
// the card and its files are read here through the same checks as the
// launcher's dialog, so a card changed or removed meanwhile shows the
// placeholder (or, without its card, a black board that speaks the name).
#include "modules/cards/cards_board.h"
#include "modules/common/module_exports.h"
#include "framework/text.h"
#include "toolkit/family_files.h"

namespace {
constexpr int kPlaceholderSize = 256;

CBackGroundWnd* MakeBoard(HINSTANCE module, HWND host, const ModuleStartInfo& info) {
  const bimbly::family::Book book = family_files::LoadBook();
  const bimbly::family::Item* item = book.Find(info.itemIndex);
  auto card = std::make_unique<FamilyCardFiles>();
  if (item) {
    card->picture = family_files::CardPicture(*item);
    card->sound = family_files::CardSound(*item);
    card->name = family_files::Utf8ToWide(item->name);
    card->secondName = family_files::Utf8ToWide(item->secondName);
  } else if (info.itemName) {
    card->name = fw::GbkToWide(info.itemName);
  }
  if (!card->picture.empty()) card->pictureSize = family_files::PictureSize(card->picture);
  if (card->picture.empty() || card->pictureSize.width <= 0) {
    card->picture = family_files::PlaceholderPicture(kPlaceholderSize);
    card->pictureSize = {kPlaceholderSize, kPlaceholderSize};
  }
  bimbly::family::Item recipeOf = item ? *item : bimbly::family::Item{};
  card->recipe = bimbly::family::Recipe(recipeOf, !card->sound.empty());
  return new CBackGroundWndPicCards(module, host, info, std::move(card));
}

// The family board has no background of its own: black behind the photos.
std::wstring NoBackground(int) { return std::wstring(); }
}  // namespace

extern "C" std::uint32_t __cdecl Initialize(HWND host, ModuleStartInfo* info) {
  return module_host::Initialize(host, info, &MakeBoard, &NoBackground);
}

extern "C" void __cdecl UnInitialize() { module_host::UnInitialize(); }
