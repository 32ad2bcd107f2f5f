#include "modules/common/background_wnd.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "core/key_backlog.h"
#include "framework/stopwatch.h"
#include "core/wait_bounds.h"
#include "modules/common/background_cache.h"
#include "framework/text.h"
#include "framework/window.h"

namespace {
// Window properties through which a test or tool can watch keys arrive
// without anything a child would see: the number of key-downs that reached
// OnBoardKeyDown, the last such key and the performance-counter time of it.
constexpr wchar_t kKeyDownsProp[] = L"Bimbly.KeyDowns";
constexpr wchar_t kLastKeyProp[] = L"Bimbly.LastKey";
constexpr wchar_t kLastKeyTimeProp[] = L"Bimbly.LastKeyTime";
// The number of key-downs dropped because they had waited too long.
constexpr wchar_t kKeysDroppedProp[] = L"Bimbly.KeysDropped";
// The performance-counter time at which the board's first paint ended.
constexpr wchar_t kFirstPaintTimeProp[] = L"Bimbly.FirstPaintTime";
// The performance-counter time at which the board asked the host for another
// item, kept on the host's window, which outlives the board.
constexpr wchar_t kSwitchAskedTimeProp[] = L"Bimbly.SwitchAskedTime";
// The item the board plays, by its number within the module.
constexpr wchar_t kItemIndexProp[] = L"Bimbly.ItemIndex";
// Private message: run a piece of work (lParam) on the board's thread.
constexpr UINT kBoardWorkMessage = WM_APP + 0x3B0;
// Private message: the board was made the active window; the keyboard goes
// back to the host's window.
constexpr UINT kReturnKeyboardMessage = WM_APP + 0x3B3;
// The visible top-level windows the board owns, top first.
std::vector<HWND> OwnedWindows(HWND board) {
  std::vector<HWND> owned;
  for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT))
    if (w != board && ::GetWindow(w, GW_OWNER) == board && ::IsWindowVisible(w)) owned.push_back(w);
  return owned;
}

}  // namespace

const fw::MessageEntry CBackGroundWnd::kMessageEntries[] = {
    fw::OnMessage<&CBackGroundWnd::OnPlayKeyDown>(WM_PLAY_KEYDOWN),
    fw::OnMessage<&CBackGroundWnd::OnPlayKeyUp>(WM_PLAY_KEYUP),
    fw::OnMessage<&CBackGroundWnd::OnRightButtonUp>(WM_RBUTTONUP),
    fw::OnMessage<&CBackGroundWnd::OnBoardWork>(kBoardWorkMessage),
    fw::OnMessage<&CBackGroundWnd::OnRestack>(WM_PLAY_RESTACK),
    fw::OnMessage<&CBackGroundWnd::OnBackdropShown>(CBackdropWnd::kShownMessage),
    fw::OnMessage<&CBackGroundWnd::OnActivate>(WM_ACTIVATE),
    fw::OnMessage<&CBackGroundWnd::OnReturnKeyboard>(kReturnKeyboardMessage),
    fw::OnCommand<&CBackGroundWnd::OnPrevious>(kCmdPrevious),
    fw::OnCommand<&CBackGroundWnd::OnNext>(kCmdNext),
    fw::OnCommand<&CBackGroundWnd::OnExit>(kCmdExit),
};
const fw::MessageMap CBackGroundWnd::kMessageMap = fw::MakeMessageMap(&CImageWnd::kMessageMap, kMessageEntries);

CBackGroundWnd::CBackGroundWnd(HINSTANCE module, HWND host, const ModuleStartInfo& info)
    : module_(module),
      host_(host),
      itemIndex_(info.itemIndex),
      itemName_(info.itemName),
      itemEnglishName_(info.itemEnglishName),
      naming_{bimbly::SpeakLanguageFromNumber(info.speakLanguage), info.quiet != 0},
      screenCx_(::GetSystemMetrics(SM_CXSCREEN)),
      screenCy_(::GetSystemMetrics(SM_CYSCREEN)),
      voice_(std::make_unique<CBoardSpeech>(info.speech, naming_)),
      going_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  // The host's thread makes and ends the board; it runs the keyboard lock's
  // low-level hook, which the system drops when a call waits too long.
  ServeSentMessagesWhileWaiting();
  menu_.reset(::CreatePopupMenu());
  if (menu_) {
    ::AppendMenuW(menu_.get(), MF_STRING, kCmdPrevious, L"\u4E0A\u4E00\u4E2A(Page Up)");  // 上一个
    ::AppendMenuW(menu_.get(), MF_STRING, kCmdNext, L"\u4E0B\u4E00\u4E2A(Page Down)");    // 下一个
    ::AppendMenuW(menu_.get(), MF_STRING, kCmdExit, L"\u9000  \u51FA(Esc)");              // 退  出
  }
}

CBackGroundWnd::~CBackGroundWnd() {
  StopTakingKeys();
  // The backdrop's thread and the board's end side by side.
  if (backdrop_) backdrop_->AskToEnd();
  // The window thread uses the menu and the voice; end it before they go.
  DestroyImageWindow();
  backdrop_.reset();
}

void CBackGroundWnd::StopTakingKeys() {
  closing_ = true;
  if (going_) ::SetEvent(going_.get());
}

bool CBackGroundWnd::WaitUnlessGoing(DWORD ms) {
  if (!going_) {
    ::Sleep(ms);
    return !closing_;
  }
  return ::WaitForSingleObject(going_.get(), ms) == WAIT_TIMEOUT;
}

HWND CBackGroundWnd::Start(const std::wstring& backgroundName) {
  // A missing background leaves the board black; it still works.
  // A background drawn before for this module needs no decoding here.
  if (!backgroundName.empty()) drawnBackground_ = board_backgrounds::Find(backgroundName, screenCx_, screenCy_);
  bool started = false;
  if (backgroundName.empty() || drawnBackground_) {
    if (drawnBackground_) backgroundName_ = backgroundName;
    started = StartImageWindow(host_);
  } else {
    // Decoded on the board's own thread: the host's thread runs the keyboard
    // lock's hook and goes on answering it meanwhile.
    started = StartImageWindow(host_, fw::WideToGbk(backgroundName).c_str(), module_, [this, backgroundName] {
      if (hasImage()) backgroundName_ = backgroundName;
    });
  }
  if (!started || !FinishImageWindow()) return nullptr;
  // Keys go before the pictures' animation and motion, which have threads of
  // their own at the normal priority: a key never waits for ten of them.
  if (fw::UniqueKernelHandle thread(::OpenThread(THREAD_SET_INFORMATION, FALSE, windowThreadId())); thread)
    ::SetThreadPriority(thread.get(), THREAD_PRIORITY_ABOVE_NORMAL);
  ::SetPropW(hwnd(), kItemIndexProp, reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(itemIndex_)));
  ::SetWindowPos(hwnd(), nullptr, 0, 0, screenCx_, screenCy_, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  MakeBackdrop();
  // Shown without taking the foreground: the keys go on reaching the host's
  // window, which passes them on and drops a backlog.
  ::ShowWindow(hwnd(), SW_SHOWNA);
  return hwnd();
}

void CBackGroundWnd::MakeBackdrop() {
  // A background that the board draws as a picture of its own (not a
  // JPEG) has no pixels to share; that board goes on repainting itself.
  if (hasImage() && format() != Format::kJpeg) return;
  // Made before the board shows, so that the board's first paint finds it;
  // its window is made beside that paint, not waited for.
  auto backdrop = std::make_unique<CBackdropWnd>(host_, hwnd());
  if (backdrop->Start()) backdrop_ = std::move(backdrop);
}

void CBackGroundWnd::OfferBackdrop() {
  // The background the board just painted: drawn pixels, or none at all (black).
  if (!backdrop_ || (!drawnBackground_ && hasImage())) return;
  backdrop_->Show(drawnBackground_);
}

LRESULT CBackGroundWnd::OnBackdropShown(WPARAM, LPARAM) {
  if (closing_ || !backdrop_) return 0;
  // The board and its pictures back above the backdrop wherever the display
  // put it on top, then the board leaves its area to the backdrop, which
  // shows the same pixels.
  OnRestack(0, 0);
  if (HRGN nothing = ::CreateRectRgn(0, 0, 0, 0); nothing && !::SetWindowRgn(hwnd(), nothing, FALSE))
    ::DeleteObject(nothing);
  return 0;
}

LRESULT CBackGroundWnd::OnPlayKeyDown(WPARAM key, LPARAM flags) {
  // After asking for another item the board waits, deaf to keys, to be replaced.
  if (switchRequested_ || closing_) return 0;
  if (key == VK_PRIOR || key == VK_NEXT) {
    fw::StampTime(host_, kSwitchAskedTimeProp);
    ::PostMessageW(host_, key == VK_PRIOR ? WM_PLAY_PREVIOUS : WM_PLAY_NEXT, 0, 0);
    switchRequested_ = 1;
    return 0;
  }
  if (boundBacklog_ && bimbly::KeyWaitedTooLong(static_cast<std::uint32_t>(::GetMessageTime()),
                                                ::GetTickCount(), bimbly::kKeyBacklogMs)) {
    ++keysDropped_;
    ::SetPropW(hwnd(), kKeysDroppedProp, reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(keysDropped_)));
    return 0;
  }
  RecordKeyDown(static_cast<UINT>(key));
  OnBoardKeyDown(static_cast<UINT>(key), static_cast<UINT>(flags));
  if (boundBacklog_) PassOnWaitingKeys();
  ServeWaitingRightClick();
  return 0;
}

void CBackGroundWnd::ServeWaitingRightClick() {
  // An adult's right click (the backdrop's, posted, or one on the board
  // itself, in the input queue) would otherwise wait behind every key a
  // child queued before it: its menu comes after the key being served.
  if (menuOpen_ || closing_) return;
  MSG msg{};
  if (::PeekMessageW(&msg, hwnd(), WM_RBUTTONUP, WM_RBUTTONUP, PM_REMOVE)) ::DispatchMessageW(&msg);
}

void CBackGroundWnd::PassOnWaitingKeys() {
  // While the board has the focus (until it hands it back to the host's
  // window), keys pressed meanwhile wait in this thread's input queue, which
  // it reads only when nothing posted waits: one key per key served, however
  // old. Taken now, the keyboard lock hands them to the host, which posts
  // them back stamped with the time, so that the backlog bound sees them.
  MSG msg{};
  while (::PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

LRESULT CBackGroundWnd::OnPlayKeyUp(WPARAM key, LPARAM flags) {
  if (closing_) return 0;
  OnBoardKeyUp(static_cast<UINT>(key), static_cast<UINT>(flags));
  return 0;
}

void CBackGroundWnd::RecordKeyDown(UINT key) {
  // The time and the key before the count, so that whoever sees the count
  // grow reads this key's time, not the one before.
  fw::StampTime(hwnd(), kLastKeyTimeProp);
  ::SetPropW(hwnd(), kLastKeyProp, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(key)));
  ++keyDowns_;
  ::SetPropW(hwnd(), kKeyDownsProp, reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(keyDowns_)));
}

void CBackGroundWnd::OnPainted() {
  if (painted_) return;
  painted_ = true;
  fw::StampTime(hwnd(), kFirstPaintTimeProp);
  OfferBackdrop();
  if (!aheadHeld_) ReleaseDrawingAhead();
}

void CBackGroundWnd::ReleaseDrawingAhead() {
  aheadHeld_ = false;
  if (!painted_ || (drawAhead_.empty() && !alsoAhead_)) return;
  board_backgrounds::DrawAhead(module_, std::move(drawAhead_), screenCx_, screenCy_, std::move(alsoAhead_));
  drawAhead_.clear();
  alsoAhead_ = nullptr;
}

const void* CBackGroundWnd::OwnPicture(int width, int height) {
  if (backgroundName_.empty() || (hasImage() && format() != Format::kJpeg)) return nullptr;
  // Kept by the board too: a later repaint must not draw it again when the
  // module's store has let it go.
  if (!drawnBackground_ ||
      drawnBackground_->size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    drawnBackground_ = board_backgrounds::Get(module_, backgroundName_, width, height);
  return drawnBackground_ ? drawnBackground_->data() : nullptr;
}

LRESULT CBackGroundWnd::OnRightButtonUp(WPARAM, LPARAM lp) {
  Default();
  if (!menu_) return 0;
  // The board sits at the screen origin: client and screen coordinates agree.
  const int x = static_cast<short>(LOWORD(lp));
  const int y = static_cast<short>(HIWORD(lp));
  menuOpen_ = true;
  fw::TrackContextMenu(menu_.get(), x, y, hwnd());
  menuOpen_ = false;
  // The board may have been the active window before the menu took it.
  OnReturnKeyboard(0, 0);
  return 0;
}

LRESULT CBackGroundWnd::OnActivate(WPARAM wp, LPARAM) {
  const LRESULT result = Default();
  // The board becomes the active window when a picture it owns that had
  // the foreground (one a child dragged) goes, when an exit dialog it owns
  // closes, or when someone clicks it.
  // Keys would then reach this thread's input queue first, where they wait
  // behind the posted keys the board serves and where a board that merges
  // the keys waiting for it does not see them. They go through the host's
  // window instead. Handed on once the activation is over, not inside it.
  if (LOWORD(wp) != WA_INACTIVE && !menuOpen_ && !closing_) ::PostMessageW(hwnd(), kReturnKeyboardMessage, 0, 0);
  return result;
}

LRESULT CBackGroundWnd::OnReturnKeyboard(WPARAM, LPARAM) {
  // Not while the board's own menu runs: it needs the foreground.
  if (!menuOpen_ && !closing_ && ::GetForegroundWindow() == hwnd() && ::IsWindowVisible(host_))
    ::SetForegroundWindow(host_);
  return 0;
}

void CBackGroundWnd::RaiseOpenMenu() {
  if (!menuOpen_) return;
  // The menu's window belongs to this thread; everything the board raises
  // (its pictures, the backdrop) would otherwise cover it.
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND w, LPARAM) -> BOOL {
        wchar_t cls[8] = L"";
        if (::IsWindowVisible(w) && ::GetClassNameW(w, cls, 8) && lstrcmpW(cls, L"#32768") == 0)
          ::SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        return TRUE;
      },
      0);
}

namespace {
// Work handed to the board thread; whoever takes it first runs it, once.
struct BoardWork {
  const std::function<void()>* work;
  std::atomic<bool> taken{false};
  void RunOnce() {
    if (taken.exchange(true)) return;
    try {
      (*work)();
    } catch (...) {
    }
  }
};
}  // namespace

bool CBackGroundWnd::RunOnBoardThread(const std::function<void()>& work, DWORD boundMs, bool runHereWhenLate) {
  BoardWork item{&work};
  HWND h = hwnd();
  DWORD_PTR done = 0;
  if (h && windowThreadId() != ::GetCurrentThreadId() &&
      ::SendMessageTimeoutW(h, kBoardWorkMessage, 0, reinterpret_cast<LPARAM>(&item), SMTO_NORMAL, boundMs, &done) &&
      done == 1)
    return true;
  // The thread may still pick the work up while it ends; it stays alive until then.
  DestroyImageWindow();
  if (runHereWhenLate) item.RunOnce();
  return false;
}

LRESULT CBackGroundWnd::OnBoardWork(WPARAM, LPARAM lp) {
  auto* item = reinterpret_cast<BoardWork*>(lp);
  if (!item) return 0;
  item->RunOnce();
  // A board that goes closes its context menu, whose loop (serving this
  // work) would otherwise swallow the quit message that ends the thread.
  if (closing_) ::EndMenu();
  return 1;
}

LRESULT CBackGroundWnd::OnRestack(WPARAM, LPARAM) {
  // Requests come in bursts (a show, an activation); one pass serves them.
  MSG pending{};
  while (::PeekMessageW(&pending, hwnd(), WM_PLAY_RESTACK, WM_PLAY_RESTACK, PM_REMOVE)) {
  }
  // The board first, then what it owns from the bottom up, each taken to the
  // very top on its own (without the owner order): that is the order the
  // screen shows on every system, including where the display server only
  // raises the window that is topmost at the moment it moves (Wine's X11).
  std::vector<HWND> order = OwnedWindows(hwnd());
  order.push_back(hwnd());
  // The backdrop right under the board, once it shows.
  if (HWND backdrop = backdrop_ ? backdrop_->hwnd() : nullptr; backdrop && ::IsWindowVisible(backdrop))
    order.push_back(backdrop);
  // Moving another thread's window waits for that thread. The host's thread
  // may be waiting for this one (a board being destroyed): its windows (the
  // exit dialog) are asked without waiting, and as they are asked last they
  // end up on top. A picture's thread that does not answer is asked the same way.
  const DWORD hostThread = ::GetWindowThreadProcessId(host_, nullptr);
  const DWORD ownThread = ::GetCurrentThreadId();
  const auto raise = [&](HWND w) {
    const DWORD thread = ::GetWindowThreadProcessId(w, nullptr);
    DWORD_PTR unused = 0;
    const bool wait = thread == ownThread ||
                      (thread != hostThread && ::SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                                                     bimbly::kRestackAnswerMs, &unused));
    const bool topmost = (::GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER | (wait ? 0 : SWP_ASYNCWINDOWPOS);
    ::SetWindowPos(w, topmost ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0, flags);
  };
  for (auto it = order.rbegin(); it != order.rend(); ++it) raise(*it);
  // A window shown meanwhile (the exit dialog opening as the board came up)
  // would now lie under the board: it goes on top as well.
  const std::vector<HWND> now = OwnedWindows(hwnd());
  for (auto it = now.rbegin(); it != now.rend(); ++it)
    if (std::find(order.begin(), order.end(), *it) == order.end()) raise(*it);
  RaiseOpenMenu();
  return 0;
}

void CBackGroundWnd::OnPrevious() { ::PostMessageW(host_, WM_PLAY_PREVIOUS, 0, 0); }
void CBackGroundWnd::OnNext() { ::PostMessageW(host_, WM_PLAY_NEXT, 0, 0); }
void CBackGroundWnd::OnExit() { ::PostMessageW(host_, WM_PLAY_EXIT, 0, 0); }

void CBackGroundWnd::SayItemName() {
  if (voice_) voice_->SayNames(itemName_, itemEnglishName_);
}

void CBackGroundWnd::SayNames(const wchar_t* name, const wchar_t* secondName) {
  if (voice_) voice_->SayNames(name, secondName);
}

void CBackGroundWnd::SayText(const char* gbkText) {
  if (voice_) voice_->SayText(gbkText);
}
