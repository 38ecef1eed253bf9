// The data file's lock: a record lock of an open file description, of the kind the descriptor
// allows.
#include "platform/file_lock.h"

#include <fcntl.h>
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

bool CannotWrite(int err) {
    return err == EACCES || err == EROFS || err == EPERM || err == ETXTBSY;
}

}  // namespace

TFileLock::Result TFileLock::Acquire(const std::filesystem::path& path, std::string* error) {
    Release();
    writeError_ = 0;
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 && CannotWrite(errno)) {
        writeError_ = errno;
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    }
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return kUnopened;
    }
    struct flock lock {};
    lock.l_type = writeError_ == 0 ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kLockOffset;
    lock.l_len = 1;
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

void TFileLock::Release() {
    if (fd_ < 0) return;
    ::close(fd_);  // the kernel drops the lock with its open file description
    fd_ = -1;
}

}  // namespace qm
