// A disk that runs out of room, for tests of what the program does on a full disk, and a user
// whom file modes bind, for refused folders. The calls that change the calling process change it
// for good: use them only in a child process (a fork, or the statement of a death test).
#pragma once

#include <cstddef>
#include <filesystem>

namespace qmtest {

// Mounts a tmpfs of `bytes` over the current folder, in a mount namespace of the calling process
// alone, so that writing past its size fails with "No space left on device" and nothing outside
// the process sees the mount. False when the system allows no such mount (no privilege).
bool MountSmallDisk(size_t bytes);

// Where no mount is allowed: while the limit stands, no file of the process may grow past
// `bytes` (the write fails with "File too large"); 0 lifts it.
void LimitFileSize(size_t bytes);

// Root ignores file modes. As root, gives `folder` and everything under it to a uid that no one
// else uses and becomes that user for good, so that a read-only folder refuses as it would a
// user; false when not root, where the modes hold already.
bool ActAsAnotherUser(const std::filesystem::path& folder);

}  // namespace qmtest
