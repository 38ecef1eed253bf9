// The journal guard: a file layer over the engine's default one that refuses, as the engine
// opens it, a rollback journal this user did not write.
//
// Invariants:
//  1. A main journal that stands at its name as the engine opens it is opened here first, on a
//     descriptor of the layer's own (O_NOFOLLOW: a link is refused, not followed; O_NONBLOCK: a
//     FIFO does not hold the open), and accepted only as a regular file owned by this process's
//     user or by the owner of the data file it belongs to.
//  2. That descriptor stays open across the engine's own open, after which the name must still
//     lead to the same file (device and inode): one put in its place in between is refused.
//  3. A journal the engine makes where none stood is held to the same rules once made.
//  4. A refused journal is closed again before anything is read from it; the open fails with
//     kRefused and the file is left without methods, as the engine expects of a failed open.
//  5. Every other file, and every other call, goes to the layer below unchanged, and a file's
//     io methods are that layer's own: no read or write of any file passes through here.
#include "db/journal_guard.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>

#include "db/sqlite_table3.h"
#include "platform/files.h"

namespace qm {
namespace {

// The code a refused journal fails its statement with. The layer below never gives it for a
// file it cannot open (that is SQLITE_CANTOPEN, which the engine would take for a hot journal
// and try again), so together with a recorded refusal it names this failure alone.
constexpr int kRefused = SQLITE_PERM;

std::mutex refusedMutex;
TRefusedJournal lastRefused;  // guarded by refusedMutex

sqlite3_vfs* Below(sqlite3_vfs* self) {
    return static_cast<sqlite3_vfs*>(self->pAppData);
}

// Why a file of this kind and owner is no journal the engine may read: empty when it may be. The
// engine opens nothing but a data file's "-journal" through here.
std::string Unfit(const struct stat& st, const std::string& journal) {
    return UnfitBeside(st, journal.substr(0, journal.size() - std::strlen("-journal")));
}

// Why a journal that could not be opened is refused: what stands at its name, where that
// says more than the system's reason.
std::string Unopened(const std::string& journal, int error) {
    if (error == ELOOP) return "a link";
    struct stat st {};
    if (::lstat(journal.c_str(), &st) == 0) {
        std::string why = Unfit(st, journal);
        if (!why.empty()) return why;
    }
    return std::strerror(error);
}

int Refuse(const std::string& journal, const std::string& reason) {
    std::fprintf(stderr, "%s: not read into the data file: %s\n", journal.c_str(), reason.c_str());
    const std::lock_guard<std::mutex> lock(refusedMutex);
    lastRefused = {journal, reason};
    return kRefused;
}

int GuardedOpen(sqlite3_vfs* self, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    sqlite3_vfs* below = Below(self);
    if (!name || !(flags & SQLITE_OPEN_MAIN_JOURNAL))
        return below->xOpen(below, name, file, flags, outFlags);
    file->pMethods = nullptr;
    const std::string journal(name);
    std::string why;
    struct stat held {};
    const int fd = ::open(name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);  // 1
    if (fd >= 0)
        why = ::fstat(fd, &held) == 0 ? Unfit(held, journal) : std::strerror(errno);
    else if (errno != ENOENT)
        why = Unopened(journal, errno);
    int rc = SQLITE_OK;
    if (why.empty()) {
        rc = below->xOpen(below, name, file, flags, outFlags);
        struct stat now {};
        if (rc != SQLITE_OK) {
            // The engine's own failure, told as the engine tells it.
        } else if (fd >= 0 ? !NameLeadsTo(name, held, false, &now) : ::lstat(name, &now) != 0) {
            // Nothing stands there any more (`now` zeroed), or another file does.
            why = now.st_mode == 0 ? "removed as it was opened" : "replaced as it was opened";  // 2
        } else if (fd < 0) {
            why = Unfit(now, journal);  // 3
        }
        if (!why.empty() && file->pMethods) {
            file->pMethods->xClose(file);  // 4
            file->pMethods = nullptr;
        }
    }
    if (fd >= 0) ::close(fd);
    return why.empty() ? rc : Refuse(journal, why);
}

// The layer below, asked with its own object for everything but the opening of a file.
sqlite3_vfs MakeGuard(sqlite3_vfs* below) {
    sqlite3_vfs guard = *below;
    guard.pNext = nullptr;
    guard.zName = "quillmarsh-journals";
    guard.pAppData = below;
    guard.xOpen = GuardedOpen;
    guard.xDelete = [](sqlite3_vfs* v, const char* name, int sync) {
        return Below(v)->xDelete(Below(v), name, sync);
    };
    guard.xAccess = [](sqlite3_vfs* v, const char* name, int what, int* out) {
        return Below(v)->xAccess(Below(v), name, what, out);
    };
    guard.xFullPathname = [](sqlite3_vfs* v, const char* name, int size, char* out) {
        return Below(v)->xFullPathname(Below(v), name, size, out);
    };
    guard.xDlOpen = [](sqlite3_vfs* v, const char* name) {
        return Below(v)->xDlOpen(Below(v), name);
    };
    guard.xDlError = [](sqlite3_vfs* v, int size, char* out) {
        Below(v)->xDlError(Below(v), size, out);
    };
    guard.xDlSym = [](sqlite3_vfs* v, void* handle, const char* symbol) {
        return Below(v)->xDlSym(Below(v), handle, symbol);
    };
    guard.xDlClose = [](sqlite3_vfs* v, void* handle) { Below(v)->xDlClose(Below(v), handle); };
    guard.xRandomness = [](sqlite3_vfs* v, int size, char* out) {
        return Below(v)->xRandomness(Below(v), size, out);
    };
    guard.xSleep = [](sqlite3_vfs* v, int micro) { return Below(v)->xSleep(Below(v), micro); };
    guard.xCurrentTime = [](sqlite3_vfs* v, double* out) {
        return Below(v)->xCurrentTime(Below(v), out);
    };
    guard.xGetLastError = [](sqlite3_vfs* v, int size, char* out) {
        return Below(v)->xGetLastError(Below(v), size, out);
    };
    if (below->iVersion >= 2 && below->xCurrentTimeInt64)
        guard.xCurrentTimeInt64 = [](sqlite3_vfs* v, sqlite3_int64* out) {
            return Below(v)->xCurrentTimeInt64(Below(v), out);
        };
    if (below->iVersion >= 3) {
        guard.xSetSystemCall = [](sqlite3_vfs* v, const char* name, sqlite3_syscall_ptr call) {
            return Below(v)->xSetSystemCall(Below(v), name, call);
        };
        guard.xGetSystemCall = [](sqlite3_vfs* v, const char* name) {
            return Below(v)->xGetSystemCall(Below(v), name);
        };
        guard.xNextSystemCall = [](sqlite3_vfs* v, const char* name) {
            return Below(v)->xNextSystemCall(Below(v), name);
        };
    }
    return guard;
}

}  // namespace

std::string UnfitBeside(const struct stat& st, const std::string& dataFile) {
    if (S_ISLNK(st.st_mode)) return "a link";
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    struct stat data {};
    if (st.st_uid == ::geteuid() ||
        (::stat(dataFile.c_str(), &data) == 0 && data.st_uid == st.st_uid))
        return {};
    return "owned by another user";
}

void GuardJournals() {
    static std::once_flag once;
    std::call_once(once, [] {
        static sqlite3_vfs guard = MakeGuard(sqlite3_vfs_find(nullptr));
        sqlite3_vfs_register(&guard, 1);
    });
}

bool RefusedJournalFailure(const ESQLiteException& e, TRefusedJournal& journal) {
    if ((e.EngineCode & 0xff) != kRefused) return false;
    const std::lock_guard<std::mutex> lock(refusedMutex);
    if (lastRefused.Path.empty()) return false;
    // Told once: a later failure of another kind is not this journal's.
    journal = std::exchange(lastRefused, {});
    return true;
}

}  // namespace qm
