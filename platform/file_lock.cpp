// The data file's lock: a record lock of an open file description, or flock on a file this user
// can only read.
#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qm {
namespace {

// Far past the bytes the database engine locks (around 1 GiB) and past any file's end.
constexpr off_t kLockOffset = off_t(1) << 62;

bool IsHeldElsewhere(int err) {
    return err == EAGAIN || err == EACCES || err == EWOULDBLOCK;
}

}  // namespace

TFileLock::Result TFileLock::Acquire(const std::filesystem::path& path, std::string* error) {
    Release();
    bool writable = true;
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        writable = false;
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    }
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return kUnlocked;
    }
    int rc;
    if (writable) {
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = kLockOffset;
        lock.l_len = 1;
        rc = ::fcntl(fd, F_OFD_SETLK, &lock);
    } else {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    }
    if (rc != 0) {
        const int err = errno;
        // Callers take the lock outside any transaction: closing drops no lock of the engine's.
        ::close(fd);
        if (error) *error = std::strerror(err);
        return IsHeldElsewhere(err) ? kHeld : kUnlocked;
    }
    fd_ = fd;
    return kTaken;
}

void TFileLock::Release() {
    if (fd_ < 0) return;
    ::close(fd_);  // the kernel drops the lock with its open file description
    fd_ = -1;
}

}  // namespace qm
