#include "launcher/game_seam.h"

#include "gamehost/game_dialog.h"
#include "launcher/speech_seam.h"

void RunGame(HWND owner, int catalogRow) {
  CBackGroundDlg game(LauncherSpeechRecord());
  game.SelectCatalogEntry(catalogRow);
  game.DoModal(owner);
}
