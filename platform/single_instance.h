// A per-user lock standing for a named mutex: held for the life of the process, dropped by the
// kernel when the process ends, however it ends.
#pragma once

#include <string>

namespace qm {

// Takes the lock named `name` in the user's runtime folder. Returns false when another process
// holds it or the lock file cannot be made. The lock stays held until ReleaseNamedLock or exit.
bool AcquireNamedLock(const std::string& name);
void ReleaseNamedLock();
std::string NamedLockPath(const std::string& name);

}  // namespace qm
