// File services over std::filesystem and POSIX; failures come back as false, never as exceptions.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <system_error>
#include <vector>

namespace qm {

namespace {

// Closes a descriptor on every way out.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Copies the open source into the open target; errno says why not. The kernel copies the pages
// itself where it can (sharing them outright on file systems that allow it), so the bytes do not
// pass through a buffer of ours.
bool CopyContents(int in, int out) {
    for (bool kernelCopy = true;;) {
        if (kernelCopy) {
            const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t{1} << 30, 0);
            if (n > 0) continue;
            if (n == 0) return true;
            if (errno == EINTR) continue;
            // Not offered between these files (another file system, an old kernel): copy by
            // hand from where the kernel stopped; the offsets moved with what it copied.
            if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL)
                return false;
            kernelCopy = false;
        }
        std::vector<char> buffer(1 << 20);
        for (;;) {
            const ssize_t n = ::read(in, buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) return true;
            if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) return false;
        }
    }
}

// Closes a file this process has just made and written, `ok` saying whether every write went
// well. A full disk may show only when the last blocks are written out, at close. A file not
// whole is removed; false then, with errno saying why.
bool FinishNewFile(Fd& out, bool ok, const std::filesystem::path& file) {
    int err = errno;
    if (::close(out.fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    out.fd = -1;
    if (!ok) {
        ::unlink(file.c_str());
        errno = err;
    }
    return ok;
}

void SetError(std::string* error, const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
}

}  // namespace

bool FileExists(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
}

bool PathExists(const std::filesystem::path& p) {
    // A path that cannot even be looked at counts as taken: only "no such entry" means free.
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 || errno != ENOENT;
}

bool CopyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code ec;
    return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing,
                                      ec) &&
           !ec;
}

bool CopyFileNew(const std::filesystem::path& from, const std::filesystem::path& to,
                 std::string* error, bool flush) {
    Fd in{::open(from.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat st {};
    if (in.fd < 0 || ::fstat(in.fd, &st) != 0) {
        SetError(error, from.string());
        return false;
    }
    // O_EXCL: never write through whatever already stands at the target, a link included.
    Fd out{::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777)};
    if (out.fd < 0) {
        SetError(error, to.string());
        return false;
    }
    const bool ok = CopyContents(in.fd, out.fd) && (!flush || ::fsync(out.fd) == 0);
    if (FinishNewFile(out, ok, to)) return true;
    SetError(error, to.string());
    return false;
}

bool CopyFileDurably(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::string* error) {
    return CopyFileNew(from, to, error, true);
}

bool FlushFile(const std::filesystem::path& p, std::string* error) {
    Fd fd{::open(p.c_str(), O_RDONLY | O_CLOEXEC)};
    if (fd.fd < 0 || ::fsync(fd.fd) != 0) {
        SetError(error, p.string());
        return false;
    }
    return true;
}

bool RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::string* error) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    SetError(error, to.string());
    return false;
}

bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::string* error, bool* taken) {
    if (taken) *taken = false;
    // A second name first, then the first name goes: the kernel refuses the link where the name
    // is taken. File systems without links get the rename that refuses a taken name instead.
    int rc = ::link(from.c_str(), to.c_str());
    if (rc == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS || errno == EMLINK) {
        rc = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
        // A file system that knows no such flag says EINVAL: the caller finds another way.
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) errno = EOPNOTSUPP;
    }
    if (rc == 0) return true;
    if (errno == EEXIST && taken) *taken = true;
    SetError(error, to.string());
    return false;
}

void SyncFolder(const std::filesystem::path& folder) {
    Fd dir{::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0) ::fsync(dir.fd);
}

bool DeleteFile(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::remove(p, ec) && !ec;
}

namespace {

// Opens a new file beside `target` named ".<name>.tmp-XXXXXX", with `mode`; -1 when none could be
// made, errno saying why.
int OpenNewBeside(const std::filesystem::path& target, mode_t mode, std::filesystem::path& temp) {
    const std::filesystem::path folder = target.parent_path();
    const std::string stem = "." + target.filename().string() + ".tmp-";
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = stem;
        for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
        temp = folder / name;
        // O_EXCL: a name someone else took, or a link planted there, is never written through.
        const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

std::filesystem::path CreateTempBeside(const std::filesystem::path& target, int& fd,
                                       std::string* error) {
    struct stat st {};
    const bool replaces = ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    std::filesystem::path temp;
    fd = OpenNewBeside(target, 0666, temp);
    if (fd < 0) {
        SetError(error, target.string());
        return {};
    }
    if (replaces) ::fchmod(fd, st.st_mode & 07777);
    return temp;
}

std::filesystem::path CreateTempBeside(const std::filesystem::path& target, std::string* error) {
    Fd fd;
    return CreateTempBeside(target, fd.fd, error);
}

std::filesystem::path CopyToTempBeside(const std::filesystem::path& from,
                                       const std::filesystem::path& target, std::string* error,
                                       bool flush) {
    Fd in{::open(from.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat st {};
    if (in.fd < 0 || ::fstat(in.fd, &st) != 0) {
        SetError(error, from.string());
        return {};
    }
    std::filesystem::path temp;
    Fd out{OpenNewBeside(target, st.st_mode & 07777, temp)};
    if (out.fd < 0) {
        SetError(error, target.string());
        return {};
    }
    const bool ok = CopyContents(in.fd, out.fd) && (!flush || ::fsync(out.fd) == 0);
    if (FinishNewFile(out, ok, temp)) return temp;
    SetError(error, target.string());
    return {};
}

bool PutInPlace(const std::filesystem::path& temp, const std::filesystem::path& target,
                std::string* error) {
    // The temporary name means nothing to the user: a failure names the file asked for.
    if (!FlushFile(temp) || !RenameReplacing(temp, target)) {
        SetError(error, target.string());
        ::unlink(temp.c_str());
        return false;
    }
    SyncFolder(target.parent_path());
    return true;
}

bool WriteFileWhole(const std::filesystem::path& target, const std::string& bytes,
                    std::string* error) {
    const std::filesystem::path temp = CreateTempBeside(target, error);
    if (temp.empty()) return false;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = fd >= 0 && WriteAll(fd, bytes.data(), bytes.size());
    int err = errno;
    // A full disk may show only when the last blocks are written out, at close.
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        errno = err;
        SetError(error, target.string());
        ::unlink(temp.c_str());
        return false;
    }
    return PutInPlace(temp, target, error);
}

std::filesystem::path TempFolder() {
    std::error_code ec;
    auto p = std::filesystem::temp_directory_path(ec);
    return ec ? std::filesystem::path("/tmp") : p;
}

std::filesystem::path CreatePrivateFolder(const std::filesystem::path& parent,
                                          const std::string& prefix) {
    // mkdtemp makes the folder with mode 0700 and never takes a name that stands already.
    std::string pattern = (parent / (prefix + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) return {};
    return pattern;
}

bool FolderClosedToOthers(const std::filesystem::path& folder) {
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

bool WriteNewPrivateFile(const std::filesystem::path& file, const std::string& bytes) {
    Fd out{::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)};
    if (out.fd < 0) return false;
    return FinishNewFile(out, WriteAll(out.fd, bytes.data(), bytes.size()), file);
}

}  // namespace qm
