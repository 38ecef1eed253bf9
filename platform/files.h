// File existence, copying and deletion for the database file and its backup copies.
#pragma once

#include <filesystem>

namespace qm {

// A regular file (or a link to one) stands at the path.
bool FileExists(const std::filesystem::path& p);
// Anything at all stands at the path: a file, a folder, a device, even a link to nothing.
bool PathExists(const std::filesystem::path& p);
// Replaces an existing target; returns false (and reports nothing) on failure.
bool CopyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to);
bool DeleteFile(const std::filesystem::path& p);
std::filesystem::path TempFolder();

}  // namespace qm
