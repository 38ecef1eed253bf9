// File existence, copying, renaming and deletion for the database file and its backup copies,
// and the private folders and files that hold copies of attached files.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qm {

// One file: the same device and inode.
bool SameFile(const struct stat& a, const struct stat& b);
// The name leads to `file` at this moment: the file itself, or through a last link where
// `follow` says so. `named` (when given) gets what the name leads to, zeroed where nothing does.
bool NameLeadsTo(const std::filesystem::path& name, const struct stat& file, bool follow = false,
                 struct stat* named = nullptr);
// The names in `folder` (relative to the open folder `at`), but "." and "..", read through a
// descriptor of its own; none where the folder cannot be read.
std::vector<std::string> NamesIn(const std::filesystem::path& folder, int at = AT_FDCWD);

// A regular file (or a link to one) stands at the path.
bool FileExists(const std::filesystem::path& p);
// Anything at all stands at the path: a file, a folder, a device, even a link to nothing.
bool PathExists(const std::filesystem::path& p);
// Waits until the file's bytes are on the disk. A write error the system met on the way (a full
// disk, a failing device) shows here.
bool FlushFile(const std::filesystem::path& p, std::string* error = nullptr);
// Renames `from` to `to`, replacing a file there, in one step that a crash cannot split.
bool RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::string* error = nullptr);
// Renames `from` to `to` only where nothing stands at `to`, in one step: two processes doing so
// at once never replace each other's file. False when it could not: `taken` (when given) is set
// when something stood at `to`, `from` is then still there; else `error` says why, and errno is
// EOPNOTSUPP where the file system offers no way to do it (neither links nor such a rename).
bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::string* error = nullptr, bool* taken = nullptr);
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
// The same, keeping the new file open for reading and writing: `fd` gets its descriptor, which
// the caller closes, so that what is done to the file (its mode, its lock, its bytes) is done to
// this file and never to whatever someone puts under its name later.
std::filesystem::path CreateTempBeside(const std::filesystem::path& target, int& fd,
                                       std::string* error = nullptr);
// Copies `from`, with its bytes, permission bits and times, to a new file beside `target` named as
// CreateTempBeside names it, never one that stands already. The bytes may still be on their way
// to the disk: `FlushFile` must succeed before the copy is trusted. The kernel copies the pages
// where it can, between file systems too. Returns its path, or an empty path with `error` (when
// given) saying why, naming `from` or `target`; a partial copy (a full disk, a read error) is
// removed.
std::filesystem::path CopyToTempBeside(const std::filesystem::path& from,
                                       const std::filesystem::path& target, std::string* error);
// Flushes `temp` to the disk and renames it to `target`, replacing a file there. On failure
// `temp` is removed, `target` is as it was and `error` (when given) says why.
bool PutInPlace(const std::filesystem::path& temp, const std::filesystem::path& target,
                std::string* error = nullptr);
// Writes `bytes` as the file `target` in that way. False, with `error`, when it could not; then
// `target` is as it was and no temporary file remains.
bool WriteFileWhole(const std::filesystem::path& target, const std::string& bytes,
                    std::string* error = nullptr);
std::filesystem::path TempFolder();
// $XDG_CACHE_HOME/quillmarsh, or ~/.cache/quillmarsh (the base folder made where missing, not
// the program's own); empty when the user has no home.
std::filesystem::path UserCacheFolder();

// Makes a new folder in `parent`, named `prefix` and six random characters, with mode 0700: only
// this user may list it or add names to it, whatever `parent` allows others, so nobody else can
// read a file made in it or put anything in its place. Nothing standing under a name is used.
// Returns its path, or an empty path with errno saying why.
std::filesystem::path CreatePrivateFolder(const std::filesystem::path& parent,
                                          const std::string& prefix);
// Creates `file` new with mode 0600 and writes every byte to it. Whatever already stands at the
// path, a link included, is neither followed nor changed: the call then fails with EEXIST. When
// the bytes cannot all be written (a full disk) the file is removed. False on failure, with
// errno saying why.
bool WriteNewPrivateFile(const std::filesystem::path& file, const std::string& bytes);

// The folder for this user's temporary files: the temporary folder (TempFolder) where it is a
// real folder, not a link, owned by this user or by root and open to others' writes only with
// the sticky bit, so that nobody else may rename or remove what this user makes in it (the owner
// of a folder may, sticky bit or not). Otherwise the user's cache folder
// ($XDG_CACHE_HOME/quillmarsh, or ~/.cache/quillmarsh), made with mode 0700 where missing and
// used only when it is a real folder of this user's that nobody else may write to. Empty when
// neither serves, with `error` (when given) as "<folder>: <reason>".
std::filesystem::path PrivateTempFolder(std::string* error = nullptr);

// A private folder (CreatePrivateFolder) that this process holds while it uses it: an advisory
// lock on a descriptor kept open, which the kernel drops when the process ends however it ends,
// tells the start of another copy of the program (RemoveUnheldFolders) that it is in use.
class THeldFolder {
  public:
    THeldFolder() = default;
    THeldFolder(const THeldFolder&) = delete;
    THeldFolder& operator=(const THeldFolder&) = delete;
    ~THeldFolder() { Release(); }
    // Makes a new folder in `parent` named `prefix` and six random characters and holds it,
    // letting go of the one held before. False, with errno, when none could be made.
    bool Create(const std::filesystem::path& parent, const std::string& prefix);
    // The folder made still stands under its path, and is a real folder of this user's that
    // nobody else may read, enter or change.
    bool Intact() const;
    // Empty when none is held.
    const std::filesystem::path& Path() const { return path_; }
    void Release();

  private:
    std::filesystem::path path_;
    int fd_ = -1;
};

// Removes the folders in `parent` whose names start with `prefix` that are this user's, real
// folders (a link is never followed, here or inside them) and held by no process, with
// everything in them. What cannot be removed is left.
void RemoveUnheldFolders(const std::filesystem::path& parent, const std::string& prefix);

}  // namespace qm
