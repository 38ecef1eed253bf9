// A test that cannot run on this machine is skipped, saying why, outside CI; in CI (QM_CI=1, set
// by .ci/run) it fails instead, so that CI never passes without having run it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace qmtest {

// Whether the run is CI's: QM_CI=1 in the environment.
inline bool InCi() {
    const char* value = std::getenv("QM_CI");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace qmtest

// Ends the test here: skipped with `reason` outside CI, failed with it in CI.
#define QM_CANNOT_RUN_HERE(reason)                                                  \
    do {                                                                            \
        if (qmtest::InCi()) FAIL() << (reason) << "; CI runs every test (QM_CI=1)"; \
        GTEST_SKIP() << (reason);                                                   \
    } while (0)
