// A small disk for full-disk tests (a private tmpfs, or a file size limit where none can be
// mounted), and a user other than root for tests of refused folders.
#include "tests/support/small_disk.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
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

bool ActAsAnotherUser(const std::filesystem::path& folder) {
    if (geteuid() != 0) return false;
    // Far above the uids and gids of real users and of the other tests' users.
    const uid_t id = 400000 + std::random_device()() % 50000;
    bool ok = lchown(folder.c_str(), id, id) == 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        ok = lchown(entry.path().c_str(), id, id) == 0 && ok;
    ok = ok && setgroups(0, nullptr) == 0 && setresgid(id, id, id) == 0 &&
         setresuid(id, id, id) == 0;
    if (!ok) ADD_FAILURE() << "could not become uid " << id << ": " << std::strerror(errno);
    return ok;
}

}  // namespace qmtest
