#include "launcher/family_entry.h"

#include "framework/text.h"
#include "launcher/family_dlg.h"
#include "settings/settings_store.h"
#include "speech/speech_requests.h"
#include "speech/speech_worker.h"
#include "toolkit/family_files.h"

namespace launcher {
namespace {
std::function<void()>& ChangedHandler() {
  static std::function<void()> handler;
  return handler;
}

bool RunDialog(HWND owner, int id) {
  CFamilyDlg dialog(family_files::LoadBook(), id);
  if (dialog.DoModal(owner) != IDOK) return false;
  NotifyFamilyChanged();
  return true;
}
}  // namespace

bool OpenFamilyDialog(HWND owner) { return RunDialog(owner, -1); }

bool EditFamilyCard(HWND owner, int id) {
  if (!family_files::LoadBook().Find(id)) return false;
  return RunDialog(owner, id);
}

bool DeleteFamilyCard(HWND owner, int id) {
  bimbly::family::Book book = family_files::LoadBook();
  const bimbly::family::Item* card = book.Find(id);
  if (!card) return false;
  const std::wstring question = L"删除图卡“" + family_files::Utf8ToWide(card->name) + L"”和它的图片、声音吗？";
  if (::MessageBoxW(owner, question.c_str(), L"我的图卡", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return false;
  if (!family_files::RemoveCard(book, id)) {
    ::MessageBoxW(owner, L"无法删除这张图卡。", L"我的图卡", MB_OK | MB_ICONWARNING);
    return false;
  }
  NotifyFamilyChanged();
  return true;
}

void SetFamilyChangedHandler(std::function<void()> handler) { ChangedHandler() = std::move(handler); }

void NotifyFamilyChanged() {
  if (ChangedHandler()) ChangedHandler()();
}

void SpeakFamilyName(const bimbly::family::Item& card) {
  // Read at every click, as for the catalog's items, so a changed setting
  // counts at once.
  const bimbly::NameSpeaking how = settings::ReadNameSpeaking();
  if (how.quiet) return;
  SpeechRecord* record = speech::ProcessSpeechRecord();
  speech::StopSpeech(record);
  speech::SpeakNames(family_files::Utf8ToWide(card.name).c_str(), family_files::Utf8ToWide(card.secondName).c_str(),
                     how, record);
}

}  // namespace launcher
