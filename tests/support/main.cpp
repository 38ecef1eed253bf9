// Test entry shared by every suite: a Qt application exists before any test runs.
#include <gtest/gtest.h>

#include "tests/support/support.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qmtest::EnsureApp();
    qmtest::InstallUnexpectedDialogGuards();
    return RUN_ALL_TESTS();
}
