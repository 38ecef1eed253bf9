// The data file's lock: a record lock of an open file description, of the kind the descriptor
// allows.
#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/files.h"

namespace qm {
namespace {

// Far past the bytes the database engine locks (around 1 GiB) and past any file's end.
constexpr off_t kLockOffset = off_t(1) << 62;

// A name renamed over again and again while it is locked: past this many tries the file is
// taken to be another copy's, on its way into place.
constexpr int kOpenTries = 5;

bool IsHeldElsewhere(int err) {
    return err == EAGAIN || err == EACCES || err == EWOULDBLOCK;
}

bool CannotWrite(int err) {
    return err == EACCES || err == EROFS || err == EPERM || err == ETXTBSY;
}

struct flock LockByte(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = kLockOffset;
    lock.l_len = 1;
    return lock;
}

}  // namespace

TFileLock::Result TFileLock::Acquire(const std::filesystem::path& path, std::string* error) {
    for (int attempt = 1;; ++attempt) {
        Release();
        // O_NONBLOCK: a pipe under the name opens at once instead of waiting for a writer, and
        // is then refused for what it is.
        const int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
        int fd = ::open(path.c_str(), O_RDWR | flags);
        int writeError = 0;
        if (fd < 0 && CannotWrite(errno)) {
            writeError = errno;
            fd = ::open(path.c_str(), O_RDONLY | flags);
        }
        if (fd < 0) {
            if (error) *error = std::strerror(errno);
            return kUnopened;
        }
        const Result result = Acquire(fd, error);
        if (result == kTaken || result == kUnlocked) writeError_ = writeError;
        if (result != kTaken) return result;
        // A lock on a file no longer under the name keeps no other copy off the file there.
        struct stat locked {};
        if (::fstat(fd_, &locked) == 0 && NameLeadsTo(path, locked, true)) return kTaken;
        if (attempt == kOpenTries) {
            Release();
            if (error) *error = "the file was replaced while it was being locked";
            return kHeld;
        }
    }
}

TFileLock::Result TFileLock::Acquire(int fd, std::string* error) {
    Release();
    const int mode = ::fcntl(fd, F_GETFL);
    writeError_ = mode >= 0 && (mode & O_ACCMODE) != O_RDONLY ? 0 : EBADF;
    struct stat st {};
    const bool stated = ::fstat(fd, &st) == 0;
    if (!stated || !S_ISREG(st.st_mode)) {
        if (error) *error = std::strerror(stated ? EINVAL : errno);
        ::close(fd);
        return stated ? kNotAFile : kUnopened;
    }
    struct flock lock = LockByte(writeError_ == 0 ? F_WRLCK : F_RDLCK);
    if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        const int err = errno;
        // Callers take the lock before the engine opens the file: closing drops no lock of its.
        ::close(fd);
        if (error) *error = std::strerror(err);
        return IsHeldElsewhere(err) ? kHeld : kUnlocked;
    }
    fd_ = fd;
    return kTaken;
}

bool TFileLock::HeldOn(int fd) {
    struct flock lock = LockByte(F_WRLCK);
    return ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

void TFileLock::Release() {
    if (fd_ < 0) return;
    ::close(fd_);  // the kernel drops the lock with its open file description
    fd_ = -1;
}

}  // namespace qm
