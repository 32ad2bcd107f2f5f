// Replacing a file so that it is always whole: the new contents are written
// beside the target under a temporary name and renamed over it in one step.
#pragma once

#include <string>

// Copies `source` over `target` by way of a temporary file in the target's
// folder. Read-only attributes of the target are cleared first. On failure the
// target is left as it was and the temporary file is removed.
bool ReplaceFileAtomically(const std::wstring& source, const std::wstring& target);

// Renames `from` over `to` in one step (same volume).
bool MoveReplacing(const std::wstring& from, const std::wstring& to);

// Creates a folder and its missing parents; true when it exists afterwards.
bool EnsureDirectory(const std::wstring& path);

bool FileExists(const std::wstring& path);

// The absolute form of a path ("a\..\b" resolved), or empty.
std::wstring FullPathOf(const std::wstring& path);
