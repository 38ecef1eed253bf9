// File existence, copying, renaming and deletion for the database file and its backup copies.
#pragma once

#include <filesystem>
#include <string>

namespace qm {

// A regular file (or a link to one) stands at the path.
bool FileExists(const std::filesystem::path& p);
// Anything at all stands at the path: a file, a folder, a device, even a link to nothing.
bool PathExists(const std::filesystem::path& p);
// Replaces an existing target; returns false (and reports nothing) on failure.
bool CopyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to);
// Creates `to`, which must not exist yet, with the bytes and permission bits of `from`, and
// flushes it to the disk before returning, so that a caller who then renames it into place never
// publishes a partial file. On failure (a full disk, a read error) the partial `to` is removed,
// false comes back and `error` (when given) says why.
bool CopyFileDurably(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::string* error = nullptr);
// The same, flushing the copy only when `flush` says so: without, the bytes may still be on their
// way to the disk, and `FlushFile` must succeed before the copy is trusted.
bool CopyFileNew(const std::filesystem::path& from, const std::filesystem::path& to,
                 std::string* error, bool flush);
// Waits until the file's bytes are on the disk. A write error the system met on the way (a full
// disk, a failing device) shows here.
bool FlushFile(const std::filesystem::path& p, std::string* error = nullptr);
// Renames `from` to `to`, replacing a file there, in one step that a crash cannot split.
bool RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::string* error = nullptr);
// Flushes a folder's entries (names created, renamed or removed) to the disk.
void SyncFolder(const std::filesystem::path& folder);
bool DeleteFile(const std::filesystem::path& p);
std::filesystem::path TempFolder();

}  // namespace qm
