#include "program_paths.h"

namespace bimbly {

std::wstring DirectoryOfPath(std::wstring_view fullPath) {
  const auto lastSep = fullPath.find_last_of(L"\\/");
  if (lastSep == std::wstring_view::npos) {
    // Only a drive ("C:Tobble.exe") or a bare name: keep the drive, if any.
    if (fullPath.size() >= 2 && fullPath[1] == L':') return std::wstring(fullPath.substr(0, 2)) + L'\\';
    return std::wstring();
  }
  std::wstring dir(fullPath.substr(0, lastSep));
  // Collapse a run of separators at the end so the result ends in exactly one.
  while (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/')) dir.pop_back();
  dir += L'\\';
  return dir;
}

std::wstring ConfigPathFor(std::wstring_view exePath) {
  const auto dir = DirectoryOfPath(exePath);
  return dir + L"config.ini";
}

UpdatePathSet BuildUpdatePaths(std::wstring_view exePath) {
  UpdatePathSet p;
  p[kProgramDir] = DirectoryOfPath(exePath);
  p[kDownloadDir] = p[kProgramDir] + L"download\\";
  p[kLastVerIni] = p[kDownloadDir] + L"lastver.ini";
  p[kUpdateIni] = p[kDownloadDir] + L"update.ini";
  p[kUpHelpIni] = p[kDownloadDir] + L"uphelp.ini";
  p[kVerInfoIni] = p[kProgramDir] + L"verinfo.ini";
  p[kUpdateTestIni] = p[kDownloadDir] + L"updatetest.ini";
  p[kLauncherExe] = p[kProgramDir] + L"Tobble.exe";
  p[kUpdaterExe] = p[kProgramDir] + L"Update.exe";
  p[kHelperExe] = p[kProgramDir] + L"Upmender.exe";
  return p;
}

}  // namespace bimbly
