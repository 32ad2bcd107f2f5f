// The update paths, derived from the running program's own executable. Built
// anew wherever a path is needed; nothing is cached across uses.
#pragma once

#include <string>

#include "core/program_paths.h"

class CUpdateEnv {
 public:
  CUpdateEnv();  // from the running program's executable
  explicit CUpdateEnv(const std::wstring& exePath);

  const std::wstring& path(bimbly::UpdatePathIndex index) const { return paths_[index]; }
  const std::wstring& programDir() const { return paths_[bimbly::kProgramDir]; }
  const std::wstring& verInfoIni() const { return paths_[bimbly::kVerInfoIni]; }
  const std::wstring& updaterExe() const { return paths_[bimbly::kUpdaterExe]; }

 private:
  bimbly::UpdatePathSet paths_;
};
