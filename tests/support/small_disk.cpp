// A small disk for full-disk tests: a private tmpfs, or a file size limit where none can be
// mounted.
#include "tests/support/small_disk.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>

namespace qmtest {

bool MountSmallDisk(size_t bytes) {
    if (unshare(CLONE_NEWNS) != 0) return false;
    // Keep the new mount from propagating to the rest of the system.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    const std::string options = "size=" + std::to_string(bytes);
    const std::string here = std::filesystem::current_path().string();
    if (mount("tmpfs", here.c_str(), "tmpfs", 0, options.c_str()) != 0) return false;
    // The process still stands in the folder under the mount until it enters it again.
    std::filesystem::current_path(here);
    return true;
}

void LimitFileSize(size_t bytes) {
    // The write must fail, not end the process.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes == 0 ? limit.rlim_max : bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

}  // namespace qmtest
