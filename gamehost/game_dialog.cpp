#include "gamehost/game_dialog.h"

#include <imm.h>

#include <cwchar>

#include "contracts/keylock_exports.h"
#include "contracts/program_names.h"
#include "core/catalog.h"
#include "core/play_time.h"
#include "core/wait_bounds.h"
#include "framework/stopwatch.h"
#include "framework/text.h"
#include "framework/threads.h"
#include "gamehost/game_settings.h"
#include "gamehost/play_module.h"
#include "gamehost/system/taskbar.h"
#include "gamehost/resource.h"
#include "toolkit/family_files.h"
#include "toolkit/image_wnd.h"

namespace {

constexpr UINT_PTR kTimeLimitTimer = 1;
constexpr char kKeyboardLockFile[] = "KeyHush.dll";
constexpr char kFamilyModuleFile[] = "DeckFamily.dll";
constexpr wchar_t kRemindPicture[] = L"IMAGE_REMIND";
constexpr wchar_t kRemindExitPicture[] = L"IMAGE_REMIND_EXIT";
// Holds the game mutex for a scope. Only this thread takes it (it exists
// mainly for the updater to see), so waits are short; the bound keeps another
// program that opened it by name from freezing the game. The owner may take it
// again while it holds it, so the exit dialog's nested loop never blocks on it.
class GameLock : public fw::ScopedMutexLock {
 public:
  explicit GameLock(HANDLE mutex) : fw::ScopedMutexLock(mutex, bimbly::kGameMutexMs) {}
};

}  // namespace

const fw::MessageEntry CBackGroundDlg::kMessageEntries[] = {
    fw::OnPaint<&CBackGroundDlg::OnPaint>(),
    fw::OnMessage<&CBackGroundDlg::OnEraseBackground>(WM_ERASEBKGND),
    fw::OnDestroy<&CBackGroundDlg::OnDestroy>(),
    fw::OnTimer<&CBackGroundDlg::OnTimer>(),
    fw::OnMessage<&CBackGroundDlg::OnPlayKeyDown>(WM_PLAY_KEYDOWN),
    fw::OnMessage<&CBackGroundDlg::OnPlayKeyUp>(WM_PLAY_KEYUP),
    fw::OnMessage<&CBackGroundDlg::OnPlayPrevious>(WM_PLAY_PREVIOUS),
    fw::OnMessage<&CBackGroundDlg::OnPlayNext>(WM_PLAY_NEXT),
    fw::OnMessage<&CBackGroundDlg::OnPlayExit>(WM_PLAY_EXIT),
    fw::OnMessage<&CBackGroundDlg::OnDisplayChange>(WM_DISPLAYCHANGE),
    fw::OnMessage<&CBackGroundDlg::OnWindowPosChanged>(WM_WINDOWPOSCHANGED),
};
const fw::MessageMap CBackGroundDlg::kMessageMap = fw::MakeMessageMap(&fw::CDialog::kMessageMap, kMessageEntries);

CBackGroundDlg::CBackGroundDlg(SpeechRecord* speech, HINSTANCE pictures)
    : fw::CDialog(IDD_GAME), pictures_(pictures), speech_(speech) {
  if (!midiLine_.OpenMidiLine()) midiLine_.CloseLine();
  if (!waveLine_.OpenWaveLine()) waveLine_.CloseLine();
  // Exists exactly as long as this object: the updater waits for it to go.
  gameMutex_.reset(::CreateMutexW(nullptr, FALSE, contracts::kGameMutex));
}

CBackGroundDlg::~CBackGroundDlg() {
  gameMutex_.reset();
  waveLine_.CloseLine();
  midiLine_.CloseLine();
}

void CBackGroundDlg::SelectCatalogEntry(int catalogIndex) {
  if (catalogIndex < 0 || catalogIndex >= bimbly::kItemCount) catalogIndex = 0;
  const bimbly::CatalogItem& item = bimbly::Items()[catalogIndex];
  catalogIndex_ = catalogIndex;
  familyCard_ = -1;
  moduleFile_ = item.moduleFile;
  name_ = item.name;
  englishLabel_ = item.englishLabel;
  moduleItemIndex_ = item.moduleItemIndex;
}

void CBackGroundDlg::SelectFamilyCard(int id) {
  const bimbly::family::Book book = family_files::LoadBook();
  const bimbly::family::Item* card = book.Find(id);
  familyCard_ = id;
  moduleFile_ = kFamilyModuleFile;
  moduleItemIndex_ = id;
  // The board reads the card itself; the names go along as on every board.
  familyName_ = card ? fw::WideToGbk(family_files::Utf8ToWide(card->name)) : std::string();
  familySecondName_ = card ? fw::WideToGbk(family_files::Utf8ToWide(card->secondName)) : std::string();
  name_ = familyName_.c_str();
  englishLabel_ = familySecondName_.c_str();
}

BOOL CBackGroundDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  // The whole primary screen, in black.
  ::SetWindowPos(hwnd_, nullptr, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN),
                 SWP_NOZORDER);
  // Keys must never turn into composed characters.
  ::ImmAssociateContext(hwnd_, nullptr);

  fw::Stopwatch watch;
  const gamehost::GameSettings settings = gamehost::ReadGameSettings();
  remind_ = settings.remind;
  timeLimitMinutes_ = settings.timeLimitMinutes;
  naming_ = settings.naming;

  taskbarWasAutoHide_ = gamehost::IsTaskbarAutoHide();
  if (!taskbarWasAutoHide_) {
    restoreRecord_.NoteTaskbarAutoHideOn();
    gamehost::SetTaskbarAutoHide(true);
  }

  // Without the lock the game still runs; the dialog's own keys then apply.
  restoreRecord_.NoteAccessibilityHotKeysOff();
  const double settingsAndTaskbar = watch.Lap();
  // From here until the lock goes, this thread runs its low-level hook: for
  // whoever times how long the thread keeps the hook waiting.
  if (LoadKeyboardLock()) ::OutputDebugStringW(L"Keyboard lock: held\n");
  const double locked = watch.Lap();
  LoadPlayModule();
  const double boardUp = watch.Lap();
  HoldTheFront();

  if (remind_) ShowReminder(board_, kRemindPicture);

  // A line that did not open does nothing here.
  midiLine_.MakeAudible(naming_.quiet);
  waveLine_.MakeAudible(naming_.quiet);

  // Once per game; item switches do not touch it. 0 minutes fires at once.
  ::SetTimer(hwnd_, kTimeLimitTimer, bimbly::TimeLimitPeriodMs(timeLimitMinutes_), nullptr);
  wchar_t account[160];
  swprintf(account, 160,
           L"Game start: settings and taskbar %.1f ms, keyboard locked %.1f ms, board up %.1f ms, "
           L"front held and reminder %.1f ms\n",
           settingsAndTaskbar, locked, boardUp, watch.Lap());
  ::OutputDebugStringW(account);
  return TRUE;
}

void CBackGroundDlg::OnPaint() {
  fw::PaintDc paint(hwnd_);
  RECT rc{};
  ::GetClientRect(hwnd_, &rc);
  ::FillRect(paint.get(), &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

LRESULT CBackGroundDlg::OnEraseBackground(WPARAM wp, LPARAM) {
  RECT rc{};
  ::GetClientRect(hwnd_, &rc);
  ::FillRect(reinterpret_cast<HDC>(wp), &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  return TRUE;
}

void CBackGroundDlg::OnDestroy() {
  fw::Stopwatch watch;
  ReleaseTheFront();
  if (!taskbarWasAutoHide_) gamehost::SetTaskbarAutoHide(false);
  const double front = watch.Lap();
  // The keyboard is released before the play module goes.
  const bool held = static_cast<bool>(keyboardLock_);
  UnloadKeyboardLock();
  if (held) ::OutputDebugStringW(L"Keyboard lock: let go\n");
  const double released = watch.Lap();
  UnloadPlayModule();
  reminder_.reset();
  restoreRecord_.Done();
  wchar_t account[128];
  swprintf(account, 128, L"Game end: front and taskbar %.1f ms, keyboard released %.1f ms, board gone %.1f ms\n",
           front, released, watch.Lap());
  ::OutputDebugStringW(account);
}

void CBackGroundDlg::OnTimer(UINT_PTR id) {
  if (id != kTimeLimitTimer) return;
  // Time is up: the board goes, the exit picture scrolls until an adult leaves.
  ::KillTimer(hwnd_, kTimeLimitTimer);
  fw::Stopwatch watch;
  if (exitDialog_) exitDialog_->FadeOutAndCancel();
  reminder_.reset();
  const double reminderGone = watch.Lap();
  UnloadPlayModule();
  const double boardGone = watch.Lap();
  ShowReminder(hwnd_, kRemindExitPicture);
  wchar_t account[128];
  swprintf(account, 128, L"Time up: reminder gone %.1f ms, board gone %.1f ms, exit picture shown %.1f ms\n",
           reminderGone, boardGone, watch.Lap());
  ::OutputDebugStringW(account);
}

void CBackGroundDlg::ShowReminder(HWND parent, const wchar_t* resourceName) {
  // At most one at a time; a failed one still counts until it is deleted.
  if (reminder_ || !parent || !::IsWindow(parent)) return;
  // Over a board, the board keeps what it owns above itself.
  reminder_ = gamehost::CreateReminder(parent, resourceName, pictures_,
                                       /*keepAboveOwner=*/parent == hwnd_);
}

bool CBackGroundDlg::LoadKeyboardLock() {
  keyboardLock_.reset(::LoadLibraryA(kKeyboardLockFile));
  if (!keyboardLock_) return false;
  auto init = fw::GetExport<InitializeKbdFn>(keyboardLock_.get(), kInitializeKbdExport);
  if (init && init(hwnd_) != 0) return true;
  keyboardLock_.reset();
  return false;
}

void CBackGroundDlg::UnloadKeyboardLock() {
  if (!keyboardLock_) return;
  auto uninit =
      fw::GetExport<UnInitializeKbdFn>(keyboardLock_.get(), kUnInitializeKbdExport);
  if (uninit) uninit();
  keyboardLock_.reset();
}

bool CBackGroundDlg::LoadPlayModule() {
  playModule_.reset(::LoadLibraryA(moduleFile_.c_str()));
  if (!playModule_) {
    EndDialog(IDCANCEL);
    return false;
  }
  auto init = fw::GetExport<InitializeFn>(playModule_.get(), kInitializeExport);
  if (!init) {
    playModule_.reset();
    EndDialog(IDCANCEL);
    return false;
  }
  startInfo_.itemIndex = moduleItemIndex_;
  startInfo_.itemName = name_;
  startInfo_.itemEnglishName = englishLabel_;
  startInfo_.speech = speech_;
  startInfo_.speakLanguage = static_cast<std::int32_t>(naming_.language);
  startInfo_.quiet = naming_.quiet ? 1 : 0;
  // The board's handle comes back as a 32-bit value; window handles fit.
  const std::uint32_t board = init(hwnd_, &startInfo_);
  board_ = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(board));
  if (!board_) {
    playModule_.reset();
    EndDialog(IDCANCEL);
    return false;
  }
  // The board covers the screen: the black shows only where no board is.
  // Where the display lets this window come above its board (Wine, when the
  // window is shown or raised), the board and its pictures still show.
  // The window owns the region once it is set; until then it is ours.
  if (HRGN nothing = ::CreateRectRgn(0, 0, 0, 0); nothing && !::SetWindowRgn(hwnd_, nothing, TRUE))
    ::DeleteObject(nothing);
  return true;
}

CBackGroundDlg::UnloadTimes CBackGroundDlg::UnloadPlayModule() {
  UnloadTimes times;
  fw::Stopwatch watch;
  // Black again before the board goes, so that no desktop shows in between.
  if (board_) ::SetWindowRgn(hwnd_, nullptr, TRUE);
  board_ = nullptr;
  times.blackMs = watch.Lap();
  if (!playModule_) return times;
  auto uninit = fw::GetExport<UnInitializeFn>(playModule_.get(), kUnInitializeExport);
  if (uninit) uninit();
  fw::Stopwatch freeing;
  playModule_.reset();
  times.freedMs = freeing.Lap();
  return times;
}

LRESULT CBackGroundDlg::OnPlayKeyDown(WPARAM key, LPARAM flags) {
  // The time a key came, for whoever times the keys passed on, is noted once
  // the key is on its way: no call to the window server more ahead of the board.
  const LONGLONG came = fw::TimeNow();
  GameLock lock(gameMutex_.get());
  if (key != VK_ESCAPE) {
    if (exitDialog_)
      ForwardToExitDialog(key, flags);
    else if (board_)
      ::PostMessageW(board_, WM_PLAY_KEYDOWN, key, flags);
    fw::StampTime(hwnd_, L"Bimbly.HostKeyTime", came);
    return 0;
  }
  // Escape never reaches the board: it opens the exit dialog, or cancels an open one.
  if (exitDialog_) {
    if (exitDialog_->hwnd() && ::IsWindow(exitDialog_->hwnd()))
      ::PostMessageW(exitDialog_->hwnd(), WM_KEYDOWN, VK_ESCAPE, flags);
    return 0;
  }
  // Without a board (the time is up) the game window owns the dialog, so it
  // opens above the topmost game window instead of underneath it.
  OpenExitDialog(board_ ? board_ : hwnd());
  return 0;
}

LRESULT CBackGroundDlg::OnPlayKeyUp(WPARAM key, LPARAM flags) {
  if (board_ && !exitDialog_) ::PostMessageW(board_, WM_PLAY_KEYUP, key, flags);
  return 0;
}

LRESULT CBackGroundDlg::OnPlayPrevious(WPARAM, LPARAM) {
  SwitchItem(-1);
  return 0;
}

LRESULT CBackGroundDlg::OnPlayNext(WPARAM, LPARAM) {
  SwitchItem(+1);
  return 0;
}

LRESULT CBackGroundDlg::OnPlayExit(WPARAM, LPARAM) {
  if (!exitDialog_) OpenExitDialog(board_);
  return 0;
}

void CBackGroundDlg::ForwardToExitDialog(WPARAM key, LPARAM flags) {
  HWND dialog = exitDialog_->hwnd();
  if (!dialog) return;
  HWND edit = exitDialog_->editBox();
  // The exit dialog's own loop turns these into characters, Enter into OK and Escape into cancel.
  ::PostMessageW(::GetFocus() == edit ? edit : dialog, WM_KEYDOWN, key, flags);
}

void CBackGroundDlg::OpenExitDialog(HWND parent) {
  CExitDialog dialog(parent);
  exitDialog_ = &dialog;
  const INT_PTR result = dialog.Run();
  exitDialog_ = nullptr;
  if (result == IDOK) EndDialog(IDOK);
}

void CBackGroundDlg::SwitchItem(int direction) {
  fw::StampTime(hwnd_, L"Bimbly.SwitchStartTime");
  ::InvalidateRect(hwnd_, nullptr, TRUE);
  GameLock lock(gameMutex_.get());
  // Where a switch spends its time, on the debug output for whoever looks
  // after the game: the probe of the next module, the old board going, the new one coming.
  fw::Stopwatch watch;

  if (familyCard_ >= 0) {
    // The family's cards among themselves. The board still reads the names
    // it was given, so they change only once it is gone.
    const std::vector<int> order = family_files::LoadBook().SwitchOrder(familyCard_, direction > 0);
    const bool loads = !order.empty() && gamehost::PlayModuleLoads(kFamilyModuleFile);
    if (exitDialog_) exitDialog_->FadeOutAndCancel();
    reminder_.reset();
    UnloadPlayModule();
    if (!loads) {
      EndDialog(IDCANCEL);
      return;
    }
    SelectFamilyCard(order.front());
    if (!LoadPlayModule()) return;
    if (remind_) ShowReminder(board_, kRemindPicture);
    return;
  }

  // The next row whose module loads; rows whose module cannot be loaded are skipped.
  // The probe's hold on the module lasts until the new board is up.
  fw::UniqueModule next;
  for (int row : bimbly::SwitchOrder(catalogIndex_, direction > 0)) {
    SelectCatalogEntry(row);
    if ((next = gamehost::ProbePlayModule(moduleFile_.c_str()))) break;
  }
  const bool found = static_cast<bool>(next);
  const double probed = watch.Lap();
  if (exitDialog_) exitDialog_->FadeOutAndCancel();
  fw::Stopwatch reminderWatch;
  reminder_.reset();
  const double reminderGone = reminderWatch.Lap();
  const UnloadTimes unload = UnloadPlayModule();
  const double oldGone = watch.Lap();
  if (!found) {
    // Not even the item that was playing loads any more: end the game.
    EndDialog(IDCANCEL);
    return;
  }
  if (!LoadPlayModule()) return;
  fw::StampTime(hwnd_, L"Bimbly.SwitchBoardUpTime");
  wchar_t account[240];
  swprintf(account, 240,
           L"Item switch: probe %.1f ms, old board gone %.1f ms, new board up %.1f ms, of the old board's going the "
           L"reminder %.1f ms, the window's turning black %.1f ms and the library's freeing %.1f ms\n",
           probed, oldGone, watch.Lap(), reminderGone, unload.blackMs, unload.freedMs);
  ::OutputDebugStringW(account);
  if (remind_) ShowReminder(board_, kRemindPicture);
}
