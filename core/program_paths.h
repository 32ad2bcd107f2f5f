// Paths that every program derives from the location of its own executable.
// Platform-free: the caller supplies the executable's full path.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace bimbly {

// Drive and directory of a full file path, ending in exactly one backslash
// ("C:\Games\Bimbly\Tobble.exe" -> "C:\Games\Bimbly\", "C:\Tobble.exe" -> "C:\").
// A path without any directory part gives the empty text.
std::wstring DirectoryOfPath(std::wstring_view fullPath);

// "config.ini" beside the program.
std::wstring ConfigPathFor(std::wstring_view exePath);

// The update paths, one slot each: the values index an UpdatePathSet, so
// kUpdatePathCount stays last; the order itself means nothing.
enum UpdatePathIndex : int {
  kProgramDir = 0,
  kDownloadDir = 1,
  kLastVerIni = 2,
  kUpdateIni = 3,
  kUpHelpIni = 4,
  kVerInfoIni = 5,
  kUpdateTestIni = 6,
  kLauncherExe = 7,
  kUpdaterExe = 8,
  kHelperExe = 9,
  kUpdatePathCount = 10
};

using UpdatePathSet = std::array<std::wstring, kUpdatePathCount>;

UpdatePathSet BuildUpdatePaths(std::wstring_view exePath);

}  // namespace bimbly
