#include "launcher/family_dlg.h"

#include <commctrl.h>
#include <commdlg.h>
#include <mmsystem.h>

#include <algorithm>
#include <type_traits>

#include "framework/text.h"
#include "launcher/resource.h"
#include "style/choose_style.h"

namespace ff = bimbly::family;

namespace {
constexpr UINT_PTR kPictureTimer = 1;
constexpr UINT_PTR kSoundTimer = 2;
constexpr UINT_PTR kRecordTimer = 3;
constexpr UINT kSettleMs = 300;  // a typed or pasted path is checked once it stops changing
constexpr UINT kRecordPollMs = 50;
constexpr int kPreviewSize = 96;
constexpr wchar_t kTitle[] = L"我的图卡";
constexpr const wchar_t* kMotionNames[] = {L"静止在中间", L"飞过屏幕", L"满屏弹跳"};
constexpr wchar_t kNoMicrophone[] = L"这台电脑没有找到麦克风，不能录音。";
constexpr int kPictureButtonIds[] = {IDC_FAM_PICTURE_BROWSE, IDC_FAM_SOUND_BROWSE, IDC_FAM_RECORD,
                                     IDC_FAM_PLAY,           IDOK,                 IDCANCEL};

std::wstring PictureMessage(family_files::PictureProblem p) {
  using P = family_files::PictureProblem;
  switch (p) {
    case P::kUnreadable: return L"无法读取这个图片文件（文件不存在，或者没有读取的权限）。";
    case P::kTooBig: return L"图片文件太大（超过 64 MB）。";
    case P::kNotPicture: return L"这个文件不是图片。请选择 JPEG、PNG、GIF 或 BMP 图片。";
    case P::kDamaged: return L"图片文件已损坏或不完整。";
    case P::kTooManyPixels: return L"图片太大：照片须小于 5000 万像素，动画图片的边长不超过 1024 像素。";
    case P::kOk: break;
  }
  return {};
}

std::wstring SoundMessage(const family_files::PreparedSound& s) {
  using R = family_files::ReadProblem;
  if (s.read == R::kUnreadable) return L"无法读取这个声音文件（文件不存在，或者没有读取的权限）。";
  if (s.read == R::kTooBig) return L"声音文件太大（超过 64 MB）。";
  switch (s.problem) {
    case ff::WavProblem::kNotWav: return L"这个文件不是 WAV 声音。";
    case ff::WavProblem::kEmpty: return L"这个 WAV 文件里没有声音。";
    case ff::WavProblem::kNotPcm: return L"只能使用未压缩（PCM）的 WAV 声音。";
    case ff::WavProblem::kTooLong: return L"声音超过 10 秒，没有使用。";
    case ff::WavProblem::kOk: break;
  }
  return {};
}

std::wstring NameMessage(ff::NameProblem p, bool second) {
  switch (p) {
    case ff::NameProblem::kEmpty: return L"请输入名字。";
    case ff::NameProblem::kTooLong: return second ? L"第二语言名字最多 16 个字。" : L"名字最多 16 个字。";
    case ff::NameProblem::kBadText: return L"名字里有不能使用的字符。";
    case ff::NameProblem::kOk: break;
  }
  return {};
}

std::wstring Seconds(std::uint32_t ms) {
  wchar_t text[32];
  ::swprintf(text, 32, L"%u.%u", ms / 1000, ms % 1000 / 100);
  return text;
}

std::wstring PickFile(HWND owner, const wchar_t* filter) {
  wchar_t path[MAX_PATH * 4] = {};
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = path;
  ofn.nMaxFile = static_cast<DWORD>(std::size(path));
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  return ::GetOpenFileNameW(&ofn) ? std::wstring(path) : std::wstring();
}
}  // namespace

const fw::MessageEntry CFamilyDlg::kMessageEntries[] = {
    SkinPaintEntry<CFamilyDlg>(),
    SkinEraseEntry<CFamilyDlg>(),
    SkinCtlColorEntry<CFamilyDlg>(),
    fw::OnCommand<&CFamilyDlg::OnPictureChanged>(IDC_FAM_PICTURE, EN_CHANGE),
    fw::OnCommand<&CFamilyDlg::OnSoundPathChanged>(IDC_FAM_SOUND_PATH, EN_CHANGE),
    fw::OnCommand<&CFamilyDlg::OnBrowsePicture>(IDC_FAM_PICTURE_BROWSE, BN_CLICKED),
    fw::OnCommand<&CFamilyDlg::OnBrowseSound>(IDC_FAM_SOUND_BROWSE, BN_CLICKED),
    fw::OnCommand<&CFamilyDlg::OnRecord>(IDC_FAM_RECORD, BN_CLICKED),
    fw::OnCommand<&CFamilyDlg::OnPlay>(IDC_FAM_PLAY, BN_CLICKED),
    fw::OnCommand<&CFamilyDlg::OnSoundChoice>(IDC_FAM_SOUND_NONE, BN_CLICKED),
    fw::OnCommand<&CFamilyDlg::OnSoundChoice>(IDC_FAM_SOUND_FILE, BN_CLICKED),
    fw::OnCommand<&CFamilyDlg::OnSoundChoice>(IDC_FAM_SOUND_RECORD, BN_CLICKED),
    fw::OnTimer<&CFamilyDlg::OnTimer>(),
    fw::OnDestroy<&CFamilyDlg::OnDestroy>(),
};
const fw::MessageMap CFamilyDlg::kMessageMap = fw::MakeMessageMap(&fw::CDialog::kMessageMap, kMessageEntries);

CFamilyDlg::CFamilyDlg(ff::Book book, int id) : fw::CDialog(IDD_FAMILY), book_(std::move(book)), id_(id) {}

CFamilyDlg::~CFamilyDlg() {
  StopRecording();
  StopPlaying();
}

BOOL CFamilyDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  HWND motion = Item(IDC_FAM_MOTION);
  for (const wchar_t* name : kMotionNames) ::SendMessageW(motion, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  HWND copies = Item(IDC_FAM_COPIES);
  for (int n = ff::kMinCopies; n <= ff::kMaxCopies; ++n)
    ::SendMessageW(copies, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_wstring(n).c_str()));
  // Surrogate pairs take two places; the name check counts characters.
  ::SendMessageW(Item(IDC_FAM_NAME), EM_LIMITTEXT, 2 * ff::kMaxNameChars, 0);
  ::SendMessageW(Item(IDC_FAM_SECOND), EM_LIMITTEXT, 2 * ff::kMaxNameChars, 0);
  ::SendMessageW(Item(IDC_FAM_LEVEL), PBM_SETRANGE32, 0, 100);
  static_assert(std::size(kPictureButtonIds) == std::extent_v<decltype(buttons_)>);
  for (std::size_t i = 0; i < std::size(kPictureButtonIds); ++i) {
    buttons_[i].SubclassDlgItem(kPictureButtonIds[i], hwnd_);
    buttons_[i].SetTransparent();
  }

  ff::Item card;
  if (const ff::Item* existing = book_.Find(id_)) {
    card = *existing;
    ::SetWindowTextW(hwnd_, L"修改我的图卡");
    ::SetDlgItemTextW(hwnd_, IDC_FAM_NAME, family_files::Utf8ToWide(card.name).c_str());
    ::SetDlgItemTextW(hwnd_, IDC_FAM_SECOND, family_files::Utf8ToWide(card.secondName).c_str());
    const family_files::Bytes picture = family_files::CardPicture(card);
    ShowPreview(picture.empty() ? nullptr : family_files::MakeThumbnail(picture, kPreviewSize));
    storedSound_ = family_files::CardSound(card);
  } else {
    id_ = -1;
    ::SetWindowTextW(hwnd_, kTitle);
  }
  ::SendMessageW(motion, CB_SETCURSEL, static_cast<WPARAM>(card.motion), 0);
  ::SendMessageW(copies, CB_SETCURSEL, static_cast<WPARAM>(std::clamp(card.copies, ff::kMinCopies, ff::kMaxCopies) - 1), 0);
  ::CheckRadioButton(hwnd_, IDC_FAM_SOUND_NONE, IDC_FAM_SOUND_RECORD,
                     storedSound_.empty() ? IDC_FAM_SOUND_NONE : IDC_FAM_SOUND_FILE);

  capture_ = launcher::MakeCapture();
  microphone_ = capture_ && capture_->Available();
  if (!microphone_) {
    // A disabled button gets no mouse messages: the tip belongs to the dialog, over the button's place.
    tooltip_.reset(::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, nullptr, nullptr));
    if (tooltip_) {
      RECT rc{};
      ::GetWindowRect(Item(IDC_FAM_RECORD), &rc);
      ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
      TTTOOLINFOW tip{};
      tip.cbSize = sizeof(tip);
      tip.uFlags = TTF_SUBCLASS;
      tip.hwnd = hwnd_;
      tip.uId = IDC_FAM_RECORD;
      tip.rect = rc;
      tip.lpszText = const_cast<LPWSTR>(kNoMicrophone);
      ::SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tip));
    }
  }
  EnableSoundControls();
  ShowSoundText();
  SetStyle(style::CurrentStyle(), hwnd_);
  fade_.FadeIn(hwnd_);
  return TRUE;
}

int CFamilyDlg::SoundChoiceNow() const {
  if (::IsDlgButtonChecked(hwnd_, IDC_FAM_SOUND_RECORD) == BST_CHECKED) return kRecording;
  if (::IsDlgButtonChecked(hwnd_, IDC_FAM_SOUND_FILE) == BST_CHECKED) return kFile;
  return kNone;
}

void CFamilyDlg::EnableSoundControls() {
  const int choice = SoundChoiceNow();
  ::EnableWindow(Item(IDC_FAM_SOUND_RECORD), microphone_ || !recording_.empty());
  ::EnableWindow(Item(IDC_FAM_RECORD), microphone_);
  const bool something = (choice == kFile && (!fileSound_.empty() || (!storedSound_.empty() && checkedSoundPath_.empty()))) ||
                         (choice == kRecording && !recording_.empty());
  ::EnableWindow(Item(IDC_FAM_PLAY), something && !recording_on_);
}

void CFamilyDlg::ShowSoundText() {
  std::wstring text;
  if (!microphone_) text = kNoMicrophone;
  const int choice = SoundChoiceNow();
  if (recording_on_) {
    text = L"正在录音… " + Seconds(static_cast<std::uint32_t>(samples_.size() * 1000 /
                                                        (launcher::SoundCapture::kSampleRate * 2))) + L" 秒";
  } else if (choice == kRecording && !recording_.empty()) {
    text = L"录音 " + Seconds(ff::InspectWav(recording_.data(), recording_.size()).durationMs) + L" 秒";
  } else if (choice == kFile && !fileSound_.empty()) {
    text = L"WAV " + Seconds(ff::InspectWav(fileSound_.data(), fileSound_.size()).durationMs) + L" 秒";
  } else if (choice == kFile && !storedSound_.empty() && checkedSoundPath_.empty()) {
    text = L"已保存的声音 " + Seconds(ff::InspectWav(storedSound_.data(), storedSound_.size()).durationMs) + L" 秒";
  }
  SetLabel(IDC_FAM_SOUND_TEXT, text);
}

void CFamilyDlg::ShowMessage(const std::wstring& text) { SetLabel(IDC_FAM_MESSAGE, text); }

void CFamilyDlg::SetLabel(int id, const std::wstring& text) {
  if (fw::GetWindowTextString(Item(id)) == text) return;
  ::SetDlgItemTextW(hwnd_, id, text.c_str());
  RepaintUnder(id);
}

// A label or the preview has no background of its own over the skin's
// picture: the picture under it is painted again, then the control on it,
// so no earlier text or picture shows through.
void CFamilyDlg::RepaintUnder(int id) {
  RECT rc{};
  ::GetWindowRect(Item(id), &rc);
  ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
  ::RedrawWindow(hwnd_, &rc, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void CFamilyDlg::ShowPreview(HBITMAP bitmap) {
  HBITMAP old = reinterpret_cast<HBITMAP>(
      ::SendMessageW(Item(IDC_FAM_PREVIEW), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  // The control may hand back a copy it made; ours is freed with the next one.
  if (old && old != preview_.get()) ::DeleteObject(old);
  preview_.reset(bitmap);
  if (bitmap && ::IsWindowVisible(hwnd_)) RepaintUnder(IDC_FAM_PREVIEW);
}

void CFamilyDlg::OnPictureChanged() { ::SetTimer(hwnd_, kPictureTimer, kSettleMs, nullptr); }
void CFamilyDlg::OnSoundPathChanged() {
  ::SetTimer(hwnd_, kSoundTimer, kSettleMs, nullptr);
  ::CheckRadioButton(hwnd_, IDC_FAM_SOUND_NONE, IDC_FAM_SOUND_RECORD, IDC_FAM_SOUND_FILE);
}

void CFamilyDlg::OnBrowsePicture() {
  const std::wstring path =
      PickFile(hwnd_, L"图片 (*.jpg;*.jpeg;*.png;*.gif;*.bmp)\0*.jpg;*.jpeg;*.png;*.gif;*.bmp\0所有文件\0*.*\0");
  if (path.empty()) return;
  ::SetDlgItemTextW(hwnd_, IDC_FAM_PICTURE, path.c_str());
  CheckPicture();
}

void CFamilyDlg::OnBrowseSound() {
  const std::wstring path = PickFile(hwnd_, L"WAV 声音 (*.wav)\0*.wav\0所有文件\0*.*\0");
  if (path.empty()) return;
  ::SetDlgItemTextW(hwnd_, IDC_FAM_SOUND_PATH, path.c_str());
  CheckSound();
}

void CFamilyDlg::OnSoundChoice() {
  StopPlaying();
  EnableSoundControls();
  ShowSoundText();
}

bool CFamilyDlg::CheckPicture() {
  ::KillTimer(hwnd_, kPictureTimer);
  const std::wstring path = fw::GetWindowTextString(Item(IDC_FAM_PICTURE));
  if (path == checkedPicturePath_) return !pictureRefused_;
  checkedPicturePath_ = path;
  picture_ = family_files::PreparedPicture{};
  pictureRefused_ = false;
  if (path.empty()) {
    ShowMessage(L"");
    return true;
  }
  picture_ = family_files::PreparePicture(path);
  if (picture_.problem != family_files::PictureProblem::kOk) {
    pictureRefused_ = true;
    ShowMessage(PictureMessage(picture_.problem));
    return false;
  }
  ShowPreview(family_files::MakeThumbnail(picture_.bytes, kPreviewSize));
  ShowMessage(L"");
  return true;
}

bool CFamilyDlg::CheckSound() {
  ::KillTimer(hwnd_, kSoundTimer);
  const std::wstring path = fw::GetWindowTextString(Item(IDC_FAM_SOUND_PATH));
  if (path == checkedSoundPath_ || asking_) return !soundRefused_ && !asking_;
  StopPlaying();
  checkedSoundPath_ = path;
  fileSound_.clear();
  soundRefused_ = false;
  bool ok = true;
  if (!path.empty()) {
    family_files::PreparedSound sound = family_files::PrepareSound(path, false);
    if (sound.read == family_files::ReadProblem::kOk && sound.problem == ff::WavProblem::kTooLong) {
      asking_ = true;
      const int answer = ::MessageBoxW(
          hwnd_, (L"这个声音有 " + Seconds(sound.durationMs) + L" 秒，超过了 10 秒。只保留前 10 秒吗？").c_str(), kTitle,
          MB_YESNO | MB_ICONQUESTION);
      asking_ = false;
      if (answer == IDYES) sound = family_files::PrepareSound(path, true);
    }
    if (sound.read == family_files::ReadProblem::kOk && sound.problem == ff::WavProblem::kOk) {
      fileSound_ = std::move(sound.bytes);
      ShowMessage(L"");
    } else {
      soundRefused_ = true;
      ok = false;
      ShowMessage(SoundMessage(sound));
    }
  }
  EnableSoundControls();
  ShowSoundText();
  return ok;
}

void CFamilyDlg::OnRecord() {
  if (recording_on_) {
    StopRecording();
    return;
  }
  if (!microphone_ || !capture_) return;
  StopPlaying();
  samples_.clear();
  if (!capture_->Start()) {
    ShowMessage(L"不能开始录音：麦克风没有打开。");
    return;
  }
  recording_on_ = true;
  ::CheckRadioButton(hwnd_, IDC_FAM_SOUND_NONE, IDC_FAM_SOUND_RECORD, IDC_FAM_SOUND_RECORD);
  ::SetDlgItemTextW(hwnd_, IDC_FAM_RECORD, L"停止");
  ::SetTimer(hwnd_, kRecordTimer, kRecordPollMs, nullptr);
  EnableSoundControls();
  ShowSoundText();
}

void CFamilyDlg::StopRecording() {
  if (!recording_on_) return;
  recording_on_ = false;
  if (hwnd_) ::KillTimer(hwnd_, kRecordTimer);
  if (capture_) {
    capture_->Collect(samples_);
    capture_->Stop();
  }
  const std::size_t most = static_cast<std::size_t>(launcher::SoundCapture::kSampleRate) * 2 * ff::kMaxSoundMs / 1000;
  samples_.resize(std::min(samples_.size(), most));
  samples_.resize(samples_.size() & ~std::size_t{1});
  if (!samples_.empty())
    recording_ = ff::MakeWav(launcher::SoundCapture::kChannels, launcher::SoundCapture::kSampleRate,
                             launcher::SoundCapture::kBits, samples_.data(), samples_.size());
  if (!hwnd_) return;
  ::SendMessageW(Item(IDC_FAM_LEVEL), PBM_SETPOS, 0, 0);
  ::SetDlgItemTextW(hwnd_, IDC_FAM_RECORD, recording_.empty() ? L"录音" : L"重录");
  EnableSoundControls();
  ShowSoundText();
}

void CFamilyDlg::OnTimer(UINT_PTR id) {
  if (id == kPictureTimer) {
    CheckPicture();
  } else if (id == kSoundTimer) {
    CheckSound();
  } else if (id == kRecordTimer && recording_on_ && capture_) {
    const std::size_t before = samples_.size();
    capture_->Collect(samples_);
    if (samples_.size() > before)
      ::SendMessageW(Item(IDC_FAM_LEVEL), PBM_SETPOS,
                     static_cast<WPARAM>(ff::PeakLevel(samples_.data() + before, samples_.size() - before,
                                                       launcher::SoundCapture::kBits)),
                     0);
    // Ten seconds at most: the recording ends by itself.
    if (samples_.size() >= static_cast<std::size_t>(launcher::SoundCapture::kSampleRate) * 2 * ff::kMaxSoundMs / 1000)
      StopRecording();
    else
      ShowSoundText();
  }
}

void CFamilyDlg::OnPlay() {
  StopPlaying();
  const int choice = SoundChoiceNow();
  if (choice == kRecording) playing_ = recording_;
  else if (choice == kFile) playing_ = !fileSound_.empty() ? fileSound_ : storedSound_;
  if (playing_.empty()) return;
  ::PlaySoundW(reinterpret_cast<LPCWSTR>(playing_.data()), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
}

void CFamilyDlg::StopPlaying() {
  if (playing_.empty()) return;
  ::PlaySoundW(nullptr, nullptr, 0);
  playing_.clear();
}

void CFamilyDlg::OnOK() {
  if (asking_) return;
  StopRecording();
  const std::string name = family_files::WideToUtf8(fw::GetWindowTextString(Item(IDC_FAM_NAME)));
  const std::string second = family_files::WideToUtf8(fw::GetWindowTextString(Item(IDC_FAM_SECOND)));
  if (const ff::NameProblem p = ff::CheckName(name, true); p != ff::NameProblem::kOk) {
    ShowMessage(NameMessage(p, false));
    ::SetFocus(Item(IDC_FAM_NAME));
    return;
  }
  if (const ff::NameProblem p = ff::CheckName(second, false); p != ff::NameProblem::kOk) {
    ShowMessage(NameMessage(p, true));
    ::SetFocus(Item(IDC_FAM_SECOND));
    return;
  }
  if (!CheckPicture()) return;
  const bool hasPicture = picture_.problem == family_files::PictureProblem::kOk;
  if (id_ < 0 && !hasPicture) {
    ShowMessage(L"请选择一张图片。");
    return;
  }
  const int choice = SoundChoiceNow();
  const family_files::Bytes* sound = nullptr;
  if (choice == kFile) {
    if (!CheckSound()) return;
    if (!fileSound_.empty()) sound = &fileSound_;
    else if (storedSound_.empty() || !checkedSoundPath_.empty()) {
      ShowMessage(L"请选择一个 WAV 声音文件。");
      return;
    }
  } else if (choice == kRecording) {
    if (recording_.empty()) {
      ShowMessage(L"请先录音。");
      return;
    }
    sound = &recording_;
  }

  ff::Book book = book_;
  ff::Item card;
  if (const ff::Item* existing = book.Find(id_)) card = *existing;
  else card.id = book.TakeId();
  card.name = name;
  card.secondName = second;
  const LRESULT motion = ::SendMessageW(Item(IDC_FAM_MOTION), CB_GETCURSEL, 0, 0);
  card.motion = motion == 1 ? ff::Motion::kFly : motion == 2 ? ff::Motion::kBounce : ff::Motion::kStill;
  const LRESULT copies = ::SendMessageW(Item(IDC_FAM_COPIES), CB_GETCURSEL, 0, 0);
  card.copies = copies == CB_ERR ? ff::kDefaultCopies : static_cast<int>(copies) + ff::kMinCopies;
  if (!family_files::StoreCard(book, card, hasPicture ? &picture_ : nullptr, sound, choice == kNone)) {
    ShowMessage(L"无法保存这张图卡（" + family_files::Folder() + L"）。");
    return;
  }
  book_ = std::move(book);
  StopPlaying();
  fade_.FadeOut();
  EndDialog(IDOK);
}

void CFamilyDlg::OnCancel() {
  StopRecording();
  StopPlaying();
  fade_.FadeOut();
  EndDialog(IDCANCEL);
}

void CFamilyDlg::OnDestroy() {
  StopRecording();
  StopPlaying();
  ::KillTimer(hwnd_, kPictureTimer);
  ::KillTimer(hwnd_, kSoundTimer);
  ShowPreview(nullptr);
  // The tip is owned by the dialog and may be gone with it already.
  if (::IsWindow(tooltip_.get()))
    tooltip_.reset();
  else
    tooltip_.release();
}
