#include "modules/music/music_board.h"

#include <algorithm>
#include <cwchar>
#include <functional>
#include <vector>

#include "core/wait_bounds.h"
#include "framework/stopwatch.h"

namespace music = bimbly::music;

CBackGroundWndMusic::CBackGroundWndMusic(HINSTANCE module, HWND host, const ModuleStartInfo& info)
    : CBackGroundWnd(module, host, info) {
  // The stage is drawn opaque.
  layered = false;
  colorKeyOn = false;
  colorKey = 0;
  // Quiet: no synthesiser at all; the pictures still move with the keys.
  if (!quiet()) midi_ = CMidiOutput::OpenDefault();
  if (midi_ && midi_->open()) {
    midi_->SetVolume(music::kMidiVolume);
    Send(music::ProgramChange(channel_, program_));
  }
  if (const music::Instrument* instrument = music::InstrumentFor(itemIndex_)) {
    SetChannel(instrument->channel);
    SetProgram(instrument->program);
  }
  // The neighbouring instruments' pictures are decoded ahead once this board
  // shows, so that Page Up or Page Down finds them ready.
  AlsoAheadAfterFirstPaint([module = module_, item = itemIndex_](const std::function<bool()>& stillWanted) {
    std::vector<const char*> names{"IMG1"};
    for (int neighbour : {item + 1, item - 1}) {
      const music::Instrument* n = music::InstrumentFor(neighbour);
      if (!n) continue;
      names.push_back(n->picture);
      for (int i = 0; i < std::clamp(n->decorationCount, 0, music::kMaxDecorations); ++i)
        names.push_back(n->decoration);
    }
    for (const char* name : names) {
      if (!stillWanted()) return;
      CImageWnd::DecodeAhead(name, module);
    }
  });
}

namespace {
// The chart, the instrument and its figures.
constexpr std::uint32_t kMostPictures = 2 + music::kMaxDecorations;
}  // namespace

CBackGroundWndMusic::~CBackGroundWndMusic() {
  StopTakingKeys();
  // Silence and pictures go on the board's thread, where the key hooks use them.
  RunOnBoardThread(
      [this] {
        if (midi_ && midi_->open())
          for (int channel = 0; channel < music::kChannels; ++channel) Send(music::AllNotesOff(channel));
        midi_.reset();
        // All the pictures' threads end at once, not each only after the one before.
        for (CBaseObjectWnd* p : {chart_.get(), instrument_.get()})
          if (p) p->AskToEnd();
        for (auto& d : decorations_)
          if (d) d->AskToEnd();
        chart_.reset();
        instrument_.reset();
        for (auto& d : decorations_) d.reset();
      },
      bimbly::BoardReleaseMs(kMostPictures));
  DestroyImageWindow();
}

std::wstring CBackGroundWndMusic::BackgroundFor(int itemIndex) {
  // Piano, violin, cello, trumpet, trombone and bells share the concert stage.
  static const wchar_t* const kBackgrounds[] = {
      L"BACK1", L"BACK2", L"BACK3", L"BACK3", L"BACK1", L"BACK1", L"BACK4",
      L"BACK5", L"BACK5", L"BACK1", L"BACK1", L"BACK6", L"BACK1",
  };
  if (itemIndex < 0 || itemIndex >= static_cast<int>(std::size(kBackgrounds))) return std::wstring();
  return kBackgrounds[itemIndex];
}

void CBackGroundWndMusic::Send(std::uint32_t message) {
  if (midi_ && midi_->open()) midi_->ShortMessage(message);
}

void CBackGroundWndMusic::SetChannel(int channel) {
  channel_ = channel;
  Send(music::ProgramChange(channel_, program_));
}

void CBackGroundWndMusic::SetProgram(int program) {
  program_ = program;
  Send(music::ProgramChange(channel_, program_));
}

std::unique_ptr<CBaseObjectWnd> CBackGroundWndMusic::StartPicture(const char* name, bool whiteKey,
                                                                  std::function<void(CBaseObjectWnd&)> made) {
  auto picture = std::make_unique<CBaseObjectWnd>();
  CBaseObjectWnd* p = picture.get();
  std::function<void()> loaded;
  if (whiteKey)
    loaded = [p] {
      p->layered = true;
      p->colorKeyOn = true;
      p->colorKey = RGB(255, 255, 255);
    };
  // Still until a key is held.
  p->stopFrame = -1;
  p->loop = false;
  if (!picture->StartImageWindow(hwnd(), name, module_, std::move(loaded), [p, made] { made(*p); })) return nullptr;
  return picture;
}

void CBackGroundWndMusic::Place(CBaseObjectWnd& picture, const music::PictureSpot& spot) {
  if (spot.spot == music::Spot::kBottomRight)
    picture.PlaceAt(picture.screenWidth() - picture.imageWidth(), picture.screenHeight() - picture.imageHeight());
  else
    picture.PlaceCentredAt(spot.x, spot.y);
}

bool CBackGroundWndMusic::OnBoardShown() {
  bool shown = false;
  // Made on the board's own thread, as the copies of the other boards are.
  // A board whose thread did not finish in time has been ended: no use.
  // The stage is painted first: a job sent to the board's thread goes before
  // the paint that showing the board asked for, and the screen would stay
  // empty until every picture's window is made.
  double waited = 0, painted = 0, pictured = 0;
  fw::Stopwatch watch;
  const bool ran = RunOnBoardThread(
      [&] {
        waited = watch.Lap();
        HoldDrawingAhead();
        ::UpdateWindow(hwnd());
        painted = watch.Lap();
        shown = ShowPictures();
        pictured = watch.Lap();
        ReleaseDrawingAhead();
      },
      bimbly::kBoardSetUpMs, /*runHereWhenLate=*/false);
  if (ran) {
    wchar_t account[128];
    swprintf(account, 128, L"Music set-up: board thread free %.1f ms, stage painted %.1f ms, pictures shown %.1f ms\n",
             waited, painted, pictured);
    ::OutputDebugStringW(account);
  }
  // What the board before decoded ahead and this one did not take is of no more use.
  CImageWnd::LetGoDecodedAhead();
  if (!ran || !shown) return false;
  SayItemName();
  return true;
}

namespace {
// The pictures are stacked in the order they were started, later ones on
// top, as if made one after the other: each picture's thread waits for the
// one before to be stacked. `abandoned` ends those waits when the set-up fails.
struct Stacking {
  std::vector<fw::UniqueKernelHandle> stacked;  // manual-reset, one per picture
  fw::UniqueKernelHandle abandoned{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  explicit Stacking(std::size_t pictures) {
    for (std::size_t i = 0; i < pictures; ++i) stacked.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  }
  bool ready() const {
    return abandoned && std::all_of(stacked.begin(), stacked.end(), [](const auto& e) { return static_cast<bool>(e); });
  }
  // On the picture's own thread, once its window exists.
  void StackAndShow(CBaseObjectWnd& p, std::size_t order) const {
    if (order > 0) {
      const HANDLE waits[2] = {stacked[order - 1].get(), abandoned.get()};
      ::WaitForMultipleObjects(2, waits, FALSE, bimbly::kImageWindowsTogetherMs);
    }
    ::SetWindowPos(p.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    ::ShowWindow(p.hwnd(), SW_SHOWNA);
    p.Invalidate();
    ::SetEvent(stacked[order].get());
  }
};
}  // namespace

bool CBackGroundWndMusic::ShowPictures() {
  // Every picture's thread starts at once: it decodes its picture, makes its
  // window, places and shows it, so that the pictures are made side by side
  // with no round trip to their threads; then all are waited for, with one bound.
  const music::Instrument* instrument = music::InstrumentFor(itemIndex_);
  const int figures = instrument ? std::clamp(instrument->decorationCount, 0, music::kMaxDecorations) : 0;
  auto stacking = std::make_shared<const Stacking>(instrument ? 2 + static_cast<std::size_t>(figures) : 1);
  if (!stacking->ready()) return false;
  struct Abandon {
    HANDLE event;
    ~Abandon() { ::SetEvent(event); }
  } abandon{stacking->abandoned.get()};
  std::vector<CBaseObjectWnd*> started;
  auto start = [&](std::unique_ptr<CBaseObjectWnd>& slot, const char* name, bool whiteKey,
                   std::function<void(CBaseObjectWnd&)> place) {
    const std::size_t order = started.size();
    slot = StartPicture(name, whiteKey, [stacking, order, place](CBaseObjectWnd& p) {
      place(p);
      stacking->StackAndShow(p, order);
    });
    if (slot) started.push_back(slot.get());
    return slot != nullptr;
  };
  const bool all =
      start(chart_, "IMG1", false,
            [](CBaseObjectWnd& p) {
              p.PlaceAt(0, p.screenHeight() - p.imageHeight());
              // Half size, centred where the full chart would be.
              p.ApplyCommand(CBaseObjectWnd::kCmdShrink);
            }) &&
      (!instrument ||
       start(instrument_, instrument->picture, instrument->whiteKey,
             [spot = instrument->place](CBaseObjectWnd& p) { Place(p, spot); }));
  if (!all) return false;
  for (int i = 0; i < figures; ++i)
    if (!start(decorations_[static_cast<std::size_t>(i)], instrument->decoration, false,
               [spot = instrument->decorationPlaces[i]](CBaseObjectWnd& p) { Place(p, spot); }))
      return false;
  const ULONGLONG deadline = ::GetTickCount64() + bimbly::kImageWindowsTogetherMs;
  for (CBaseObjectWnd* p : started) {
    const ULONGLONG now = ::GetTickCount64();
    if (!p->FinishImageWindow(now < deadline ? static_cast<DWORD>(deadline - now) : 0)) return false;
  }
  return true;
}

void CBackGroundWndMusic::SetAnimation(bool on) {
  if (CBaseObjectWnd* p = instrument_.get()) {
    if (on) {
      p->loop = true;
    } else {
      p->stopFrame = -1;  // halts on the frame it shows
      p->loop = false;
    }
  }
  for (auto& slot : decorations_) {
    CBaseObjectWnd* d = slot.get();
    if (!d) continue;
    if (on) {
      d->loop = true;
    } else {
      d->stopFrame = std::min(0, static_cast<int>(d->frameCount()) - 1);  // runs on to its first frame
      d->loop = false;
    }
  }
}

void CBackGroundWndMusic::OnBoardKeyDown(UINT key, UINT flags) {
  const int note = music::NoteForScanCode(music::ScanCodeOf(flags));
  if (note != music::kSilent) Send(music::NoteOn(channel_, note, velocity_));
  if (key == VK_RETURN || key == VK_SPACE) SayItemName();
  ++keysDown_;
  if (chart_) SetAnimation(true);
}

void CBackGroundWndMusic::OnBoardKeyUp(UINT, UINT flags) {
  const int note = music::NoteForScanCode(music::ScanCodeOf(flags));
  if (note != music::kSilent) Send(music::NoteOff(channel_, note));
  keysDown_ = std::max(0, keysDown_ - 1);
  if (keysDown_ == 0) SetAnimation(false);
}
