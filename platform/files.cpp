// File services over std::filesystem and POSIX; failures come back as false, never as exceptions.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
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

// Removes everything in the open folder, entering folders by their descriptors and never
// following a link: a link inside goes, what it points to stays. `depth` bounds the descent,
// well past the folders this program makes.
void RemoveContents(int dir, int depth) {
    for (const std::string& name : NamesIn(".", dir)) {
        if (::unlinkat(dir, name.c_str(), 0) == 0 || errno != EISDIR) continue;
        if (depth > 0) {
            Fd sub{::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
            if (sub.fd >= 0) RemoveContents(sub.fd, depth - 1);
        }
        ::unlinkat(dir, name.c_str(), AT_REMOVEDIR);
    }
}

}  // namespace

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool NameLeadsTo(const std::filesystem::path& name, const struct stat& file, bool follow,
                 struct stat* named) {
    struct stat now {};
    const bool found = (follow ? ::stat(name.c_str(), &now) : ::lstat(name.c_str(), &now)) == 0;
    if (!found) now = {};
    if (named) *named = now;
    return found && SameFile(now, file);
}

std::vector<std::string> NamesIn(const std::filesystem::path& folder, int at) {
    std::vector<std::string> names;
    const int listing = ::openat(at, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return names;
    DIR* d = ::fdopendir(listing);
    if (!d) {
        ::close(listing);
        return names;
    }
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
    return names;
}

std::filesystem::path UserCacheFolder() {
    std::filesystem::path base;
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/') {
        base = cache;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : nullptr;
        }
        if (!home || home[0] != '/') return {};
        base = std::filesystem::path(home) / ".cache";
    }
    std::error_code ec;
    std::filesystem::create_directories(base, ec);
    return base / "quillmarsh";
}

bool FileExists(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
}

bool PathExists(const std::filesystem::path& p) {
    // A path that cannot even be looked at counts as taken: only "no such entry" means free.
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 || errno != ENOENT;
}

bool FlushFile(const std::filesystem::path& p, std::string* error) {
    // Only ever a file of the caller's own under a name of its own: a link or a pipe put there
    // since is neither followed nor waited on.
    Fd fd{::open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
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
                                       const std::filesystem::path& target, std::string* error) {
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
    bool ok = CopyContents(in.fd, out.fd);
    // The copy keeps the time the file was last changed: a copy with the file's size and time
    // holds the file as it stands.
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ok = ok && ::futimens(out.fd, times) == 0;
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
    Fd out;
    const std::filesystem::path temp = CreateTempBeside(target, out.fd, error);
    if (temp.empty()) return false;
    if (!FinishNewFile(out, WriteAll(out.fd, bytes.data(), bytes.size()), temp)) {
        SetError(error, target.string());
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

bool WriteNewPrivateFile(const std::filesystem::path& file, const std::string& bytes) {
    Fd out{::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)};
    if (out.fd < 0) return false;
    return FinishNewFile(out, WriteAll(out.fd, bytes.data(), bytes.size()), file);
}

std::filesystem::path PrivateTempFolder(std::string* error) {
    const std::filesystem::path temp = TempFolder();
    struct stat st {};
    if (::lstat(temp.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
        (st.st_uid == ::geteuid() || st.st_uid == 0) &&
        ((st.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (st.st_mode & S_ISVTX) != 0))
        return temp;
    const std::filesystem::path cache = UserCacheFolder();
    if (cache.empty()) {
        errno = ENOENT;
        SetError(error, "~/.cache");
        return {};
    }
    if (::mkdir(cache.c_str(), 0700) != 0 && errno != EEXIST) {
        SetError(error, cache.string());
        return {};
    }
    // A real folder (no link) of this user's that nobody else may add names to or take them from.
    const bool stands = ::lstat(cache.c_str(), &st) == 0;
    if (stands && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
        (st.st_mode & (S_IWGRP | S_IWOTH)) == 0)
        return cache;
    if (stands) errno = EACCES;
    SetError(error, cache.string());
    return {};
}

bool THeldFolder::Create(const std::filesystem::path& parent, const std::string& prefix) {
    Release();
    for (int attempt = 0; attempt < 10; ++attempt) {
        const std::filesystem::path made = CreatePrivateFolder(parent, prefix);
        if (made.empty()) return false;
        // Until it is held, the start of another copy may take the new folder for one that a
        // session left and remove it: then another is made.
        const int fd = ::open(made.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT) continue;
            return false;
        }
        // A file system without these locks holds nothing, and removes nothing either.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            ::close(fd);
            continue;
        }
        path_ = made;
        fd_ = fd;
        if (Intact()) return true;
        Release();
    }
    errno = EAGAIN;
    return false;
}

bool THeldFolder::Intact() const {
    struct stat held {};
    return fd_ >= 0 && ::fstat(fd_, &held) == 0 && NameLeadsTo(path_, held) &&
           S_ISDIR(held.st_mode) && held.st_uid == ::geteuid() && (held.st_mode & 077) == 0;
}

void THeldFolder::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    path_.clear();
}

void RemoveUnheldFolders(const std::filesystem::path& parent, const std::string& prefix) {
    Fd dir{::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd < 0) return;
    for (const std::string& name : NamesIn(".", dir.fd)) {
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        // O_NOFOLLOW: a link under such a name is never entered, whoever made it.
        Fd folder{::openat(dir.fd, name.c_str(),
                           O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
        struct stat st {};
        if (folder.fd < 0 || ::fstat(folder.fd, &st) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        // Held by a running session, or on a file system that cannot say: left as it is.
        if (::flock(folder.fd, LOCK_EX | LOCK_NB) != 0) continue;
        RemoveContents(folder.fd, 16);
        ::unlinkat(dir.fd, name.c_str(), AT_REMOVEDIR);
    }
}

}  // namespace qm
