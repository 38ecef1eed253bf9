// File services over std::filesystem; failures come back as false, never as exceptions.
#include "platform/files.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

namespace qm {

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

bool DeleteFile(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::remove(p, ec) && !ec;
}

std::filesystem::path TempFolder() {
    std::error_code ec;
    auto p = std::filesystem::temp_directory_path(ec);
    return ec ? std::filesystem::path("/tmp") : p;
}

}  // namespace qm
