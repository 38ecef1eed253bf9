// File existence, copying and deletion for the database file and its backup copies.
#pragma once

#include <filesystem>

namespace qm {

bool FileExists(const std::filesystem::path& p);
// Replaces an existing target; returns false (and reports nothing) on failure.
bool CopyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to);
bool DeleteFile(const std::filesystem::path& p);
std::filesystem::path TempFolder();

}  // namespace qm
