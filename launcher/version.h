// The installed program version: "Version"/"ver" of verinfo.ini, or the
// built-in version.
#pragma once

#include <string>

namespace launcher {

std::wstring GetVersionText();

}  // namespace launcher
