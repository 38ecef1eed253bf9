// A per-user lock standing for a named mutex: held for the life of the process, dropped by the
// kernel when the process ends, however it ends.
#pragma once

#include <string>

namespace qm {

enum class NamedLockResult {
    kTaken,        // this process holds the lock
    kHeld,         // another process holds it
    kUnavailable,  // no folder of this user's own could hold the lock file
};

// Takes the lock named `name` without waiting. Its file lives in the user's runtime folder; without
// one ($XDG_RUNTIME_DIR unset), in /tmp/quillmarsh-<uid> when that is a real folder of this user's
// that nobody else may write to (made with mode 0700 when missing), else in the user's cache
// folder ($XDG_CACHE_HOME/quillmarsh or ~/.cache/quillmarsh). A lock file is opened only when it
// is a regular file of this user's, never through a link. The lock stays held until
// ReleaseNamedLock or exit.
NamedLockResult AcquireNamedLock(const std::string& name);
void ReleaseNamedLock();
// The path of the lock file in the first folder that passes the checks above (made where
// missing); empty when there is none.
std::string NamedLockPath(const std::string& name);

}  // namespace qm
