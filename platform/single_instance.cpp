// flock on a file in $XDG_RUNTIME_DIR (or /tmp/quillmarsh-<uid>), named from the lock name.
#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace qm {
namespace {
int g_fd = -1;
}

std::string NamedLockPath(const std::string& name) {
    std::string dir;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && std::filesystem::is_directory(runtime)) {
        dir = runtime;
    } else {
        dir = "/tmp/quillmarsh-" + std::to_string(getuid());
        ::mkdir(dir.c_str(), 0700);
    }
    std::string file;
    for (char c : name) file += (c == '/' ? '_' : c);
    return dir + "/" + file + ".lock";
}

bool AcquireNamedLock(const std::string& name) {
    int fd = ::open(NamedLockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    ReleaseNamedLock();
    g_fd = fd;
    return true;
}

void ReleaseNamedLock() {
    if (g_fd >= 0) {
        ::close(g_fd);
        g_fd = -1;
    }
}

}  // namespace qm
