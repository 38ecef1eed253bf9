// flock on a file in $XDG_RUNTIME_DIR, or in a folder of the user's own.
//
// Without a runtime folder the lock goes to /tmp, where every user can create names: another
// user may have made /tmp/quillmarsh-<uid> first (a file, a folder open to all, a link in place
// of the lock file), to stop the program or to have it create files where the link points. So
// a folder is used only when it is a real folder owned by this user and closed to others' writes,
// and a lock file only when it is a regular file of this user's, opened without following a link.
// Where /tmp cannot be made safe, the user's cache folder, which no one else can write to,
// serves instead.
#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/files.h"

namespace qm {
namespace {

int g_fd = -1;

// A real folder (no link) of this user's that no one else may add names to or take them from.
bool IsPrivateFolder(const std::string& dir) {
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Makes `dir` with mode 0700 where nothing stands under its name; true when it then is a private
// folder, whoever made it.
bool MakePrivateFolder(const std::string& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return IsPrivateFolder(dir);
}

// The usual folder of the lock: the runtime folder, or /tmp/quillmarsh-<uid> where that is (or
// can be made) a private folder; empty when neither is there.
std::string UsualFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && std::filesystem::is_directory(runtime)) return runtime;
    const std::string shared = "/tmp/quillmarsh-" + std::to_string(::getuid());
    return MakePrivateFolder(shared) ? shared : std::string();
}

// The cache folder, made where missing, when it is a private folder; else empty. Only asked for
// when the usual folder fails, so that the user's home gains nothing otherwise.
std::string FallbackFolder() {
    const std::string cache = UserCacheFolder().string();
    return !cache.empty() && MakePrivateFolder(cache) ? cache : std::string();
}

std::string LockFileName(const std::string& name) {
    std::string file;
    for (char c : name) file += (c == '/' ? '_' : c);
    return file + ".lock";
}

// The lock file, made where missing; -1 unless it is a regular file of this user's.
int OpenLockFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::string NamedLockPath(const std::string& name) {
    std::string folder = UsualFolder();
    if (folder.empty()) folder = FallbackFolder();
    return folder.empty() ? std::string() : folder + "/" + LockFileName(name);
}

NamedLockResult AcquireNamedLock(const std::string& name) {
    for (auto folderOf : {UsualFolder, FallbackFolder}) {
        const std::string folder = folderOf();
        if (folder.empty()) continue;
        const int fd = OpenLockFile(folder + "/" + LockFileName(name));
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            ::close(fd);
            if (err == EWOULDBLOCK) return NamedLockResult::kHeld;
            continue;
        }
        ReleaseNamedLock();
        g_fd = fd;
        return NamedLockResult::kTaken;
    }
    return NamedLockResult::kUnavailable;
}

void ReleaseNamedLock() {
    if (g_fd >= 0) {
        ::close(g_fd);
        g_fd = -1;
    }
}

}  // namespace qm
