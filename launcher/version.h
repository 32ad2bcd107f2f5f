// The installed program version: "Version"/"ver" of verinfo.ini, or the
// built-in version.
#pragma once

#include <string>

std::wstring GetVersionText();
