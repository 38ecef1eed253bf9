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

// A file the user asks for is whole or not there at all: it is written under a temporary name
// in its own folder (so that the rename stays on one file system) and renamed into place only
// when whole. A program killed on the way leaves at most the temporary file, never a partial
// file under the chosen name.
//
// Each error below is "<target>: <the system's reason>": the temporary name means nothing to the
// user.
//
// Creates a new empty file named ".<name>.tmp-XXXXXX" beside `target`, with the permission bits
// of the file it will replace when there is one (else those of any new file). Returns its path,
// or an empty path with `error` (when given) saying why.
std::filesystem::path CreateTempBeside(const std::filesystem::path& target,
                                       std::string* error = nullptr);
// Flushes `temp` to the disk and renames it to `target`, replacing a file there. On failure
// `temp` is removed, `target` is as it was and `error` (when given) says why.
bool PutInPlace(const std::filesystem::path& temp, const std::filesystem::path& target,
                std::string* error = nullptr);
// Writes `bytes` as the file `target` in that way. False, with `error`, when it could not; then
// `target` is as it was and no temporary file remains.
bool WriteFileWhole(const std::filesystem::path& target, const std::string& bytes,
                    std::string* error = nullptr);
std::filesystem::path TempFolder();

}  // namespace qm
