#include "modules/cards/cards_board.h"

#include <mmsystem.h>

#include <algorithm>
#include <cwchar>

#include "core/object_motion.h"
#include "framework/stopwatch.h"
#include "framework/text.h"
#include "core/wait_bounds.h"

namespace cards = bimbly::cards;

namespace {
constexpr DWORD kOnce = SND_RESOURCE | SND_ASYNC;             // 0x40005
constexpr DWORD kLooped = SND_RESOURCE | SND_ASYNC | SND_LOOP;  // 0x4000D
static_assert(kOnce == 0x40005 && kLooped == 0x4000D, "sound flags");

// The family board is a sound board with a recipe made from its card.
constexpr cards::Deck kFamilyDeck{"Family", cards::BoardKind::kSound, nullptr, 0};

COLORREF KeyColour(cards::ColourKey key) { return key == cards::ColourKey::kBlue ? RGB(0, 0, 255) : RGB(255, 255, 255); }

// Loop off, halting at the first frame (or where it stands, for -1).
void HaltAt(CBaseObjectWnd& copy, int frame) {
  copy.stopFrame = std::min(frame, static_cast<int>(copy.frameCount()) - 1);
  copy.loop = false;
}
}  // namespace

CBackGroundWndPicCards::CBackGroundWndPicCards(HINSTANCE module, HWND host, const ModuleStartInfo& info,
                                               const cards::Deck& deck)
    : CBackGroundWnd(module, host, info),
      deck_(deck),
      item_(deck.Item(info.itemIndex)),
      copyCount_(item_ ? std::clamp(item_->copies, 0, cards::kMaxCopies) : 0) {
  BoundPulseBacklog();
  SpeakName();
}

CBackGroundWndPicCards::CBackGroundWndPicCards(HINSTANCE module, HWND host, const ModuleStartInfo& info,
                                               std::unique_ptr<FamilyCardFiles> card)
    : CBackGroundWnd(module, host, info),
      family_(std::move(card)),
      deck_(kFamilyDeck),
      item_(family_ ? &family_->recipe : nullptr),
      copyCount_(item_ ? std::clamp(item_->copies, 0, cards::kMaxCopies) : 0) {
  BoundPulseBacklog();
  SpeakName();
}

void CBackGroundWndPicCards::BoundPulseBacklog() {
  // Keys that pile up behind pulses would be served for minutes.
  if (item_ && item_->action.pulseMs > 0) BoundKeyBacklog();
}

void CBackGroundWndPicCards::SpeakName() {
  // A family card's names may hold any text, so they go as wide text.
  if (family_)
    SayNames(family_->name.c_str(), family_->secondName.c_str());
  else
    SayItemName();
}

void CBackGroundWndPicCards::FitToScreen(CBaseObjectWnd& copy, bool centred) {
  const bimbly::family::Size size =
      bimbly::family::CopySize(family_->pictureSize, screenCx_, screenCy_, copyCount_);
  if (centred) {
    ::SetWindowPos(copy.hwnd(), nullptr, (screenCx_ - size.width) / 2, (screenCy_ - size.height) / 2, size.width,
                   size.height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    copy.direction = bimbly::motion::kStill;
  } else {
    ::SetWindowPos(copy.hwnd(), nullptr, 0, 0, size.width, size.height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
}

CBackGroundWndPicCards::~CBackGroundWndPicCards() {
  // Where the host's wait goes, on the debug output for whoever looks after the game.
  fw::Stopwatch watch;
  double keyServed = -1;
  // Keys still queued for the board's thread would make copies and start
  // sounds again after the ones below are gone.
  StopTakingKeys();
  // The copies go on the board's thread, where the key hook uses them.
  RunOnBoardThread(
      [this, &watch, &keyServed] {
        keyServed = watch.Lap();
        // All the copies' threads end at once, not each only after the one before.
        for (auto& copy : copies_)
          if (copy) copy->AskToEnd();
        for (auto& copy : copies_) copy.reset();
      },
      bimbly::BoardReleaseMs(static_cast<std::uint32_t>(copyCount_)));
  const double copiesGone = watch.Lap();
  // Played from the module's resources: stopped, and waited for, before the
  // module can go; the sound thread first, so that it starts nothing after.
  sound_.reset();
  ::PlaySoundA(nullptr, nullptr, 0);
  const double soundStopped = watch.Lap();
  DestroyImageWindow();
  wchar_t account[160];
  swprintf(account, 160, L"Cards gone: key served %.1f ms, copies gone %.1f ms, sound stopped %.1f ms, window gone %.1f ms\n",
           keyServed < 0 ? copiesGone : keyServed, keyServed < 0 ? 0.0 : copiesGone, soundStopped, watch.Lap());
  ::OutputDebugStringW(account);
}

void CBackGroundWndPicCards::Play(const cards::Sound& sound) {
  // A board that went while its key waited for a copy has no sound left.
  if (quiet() || going()) return;
  switch (sound.what) {
    case cards::SoundDo::kOnce:
      if (family_) {
        // The card's own recording, kept alive by the board until it stops.
        if (family_->sound.empty())
          SpeakName();
        else
          sound_->Play(reinterpret_cast<LPCSTR>(family_->sound.data()), nullptr, SND_MEMORY | SND_ASYNC);
      } else {
        sound_->Play(sound.wave, module_, kOnce);
      }
      break;
    case cards::SoundDo::kSpeakName:
      SpeakName();
      break;
    case cards::SoundDo::kLooped:
      sound_->Play(sound.wave, module_, kLooped);
      break;
    case cards::SoundDo::kStop:
      sound_->Stop();
      break;
    case cards::SoundDo::kNothing:
      break;
  }
}

void CBackGroundWndPicCards::CreateCopy(int slot) {
  const cards::CardRecipe& r = *item_;
  // Held here until set up: the board's teardown, served while a call below
  // waits for the copy's thread, would otherwise delete it under this code.
  auto copy = std::make_unique<CBaseObjectWnd>();
  CBaseObjectWnd& c = *copy;
  const int picture = slot % std::max(1, r.picture.count);
  // A picture that does not load leaves an empty window, still counted as a copy.
  if (family_)
    c.LoadImageBytes(family_->picture.data(), family_->picture.size());
  else
    c.LoadImageResource(r.picture.names[picture], module_);
  if (r.picture.key != cards::ColourKey::kNone) {
    c.layered = true;
    c.colorKeyOn = true;
    c.colorKey = KeyColour(r.picture.key);
  }
  if (!c.CreateImageWindow(hwnd())) {
    if (!going()) copies_[static_cast<std::size_t>(slot)] = std::move(copy);
    return;
  }
  if (r.picture.doubleSize) c.ApplyCommand(CBaseObjectWnd::kCmdEnlarge);
  const cards::Placement& p = r.placement;
  if (p.band) c.SetVerticalBand(p.bandTop, p.bandBottom);
  if (family_) FitToScreen(c, p.start == cards::Start::kCentred);
  if (family_ && p.start == cards::Start::kCentred) {
    // Placed by FitToScreen at its own size.
  } else if (p.start == cards::Start::kCentred) {
    c.PlaceCentredAt(p.x, p.y);
  } else {
    c.StartMoving(p.direction[picture]);
  }
  c.turnAtLeft = (p.edges & cards::kLeft) != 0;
  c.turnAtRight = (p.edges & cards::kRight) != 0;
  c.turnAtTop = (p.edges & cards::kTop) != 0;
  c.turnAtBottom = (p.edges & cards::kBottom) != 0;
  // The board went meanwhile: the copy ends here, with nothing played.
  if (going()) return;
  copies_[static_cast<std::size_t>(slot)] = std::move(copy);
  Play(r.creation);
  ::ShowWindow(c.hwnd(), SW_SHOWNA);
}

void CBackGroundWndPicCards::SpeedUp() {
  for (int i = 0; i < copyCount_; ++i) {
    CBaseObjectWnd* c = copies_[static_cast<std::size_t>(i)].get();
    if (!c) continue;
    const int m = bimbly::motion::Faster(c->minimumSpeed);
    if (m == c->minimumSpeed) continue;
    c->speed = m;
    c->minimumSpeed = m;
  }
}

void CBackGroundWndPicCards::Toggle(const cards::Toggle& action, bool motionOn) {
  Play(action.sound);
  for (int i = 0; i < copyCount_; ++i) {
    CBaseObjectWnd* c = copies_[static_cast<std::size_t>(i)].get();
    if (!c) continue;
    switch (action.animation) {
      case cards::Animation::kOn:
        c->loop = true;
        break;
      case cards::Animation::kToFirstFrame:
        HaltAt(*c, 0);
        break;
      case cards::Animation::kHalt:
        HaltAt(*c, -1);
        break;
      case cards::Animation::kUnchanged:
        break;
    }
    c->moving = motionOn;
  }
}

void CBackGroundWndPicCards::Pulse(int ms) {
  CBaseObjectWnd* c = copies_[0].get();
  if (!c || ms <= 0) return;
  c->loop = true;
  // The copy's own thread animates it meanwhile; keys wait in the queue. A
  // board that starts to go ends the pulse at once: its host waits for it.
  WaitUnlessGoing(static_cast<DWORD>(ms));
  HaltAt(*c, 0);
}

void CBackGroundWndPicCards::OnBoardKeyDown(UINT key, UINT) {
  const bool speakKey = key == VK_RETURN || key == VK_SPACE;
  if (!item_) {
    // An item the deck lacks: a black board that still speaks.
    if (speakKey) SpeakName();
    return;
  }
  const cards::KeyPlan plan = cards::PlanKey(deck_, *item_, created_, running_ != 0, speakKey);
  if (plan.createCopy >= 0 && plan.createCopy < copyCount_) {
    CreateCopy(plan.createCopy);
    created_ = plan.createCopy + 1;
    if (deck_.kind == cards::BoardKind::kToggle) running_ = 1;
  }
  if (plan.speedUp) SpeedUp();
  if (plan.speak) {
    SpeakName();
    return;
  }
  if (plan.toggleOn) {
    Toggle(item_->on, true);
    running_ = 1;
  } else if (plan.toggleOff) {
    Toggle(item_->off, false);
    running_ = 0;
  }
  Play(plan.sound);
  Pulse(plan.pulseMs);
}
