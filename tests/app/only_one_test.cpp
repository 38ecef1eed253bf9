// The single-instance check.
#include "app/program/only_one.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/single_instance.h"

using namespace qm;

TEST(OnlyOne, MutexNamesLoseTheirBackslashes) {
    EXPECT_EQ(MakeValidMutexName("MyProgramMutexTarnwick"), "MyProgramMutexTarnwick");
    EXPECT_EQ(MakeValidMutexName("a\\b\\"), "a_b_");
    EXPECT_EQ(MakeValidMutexName(""), "");
}

TEST(OnlyOne, ASecondHolderIsRefusedUntilTheFirstProcessEnds) {
    const AnsiString name = "QmTestLock" + std::to_string(getpid());
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t pid = fork();
    if (pid == 0) {
        char c = IsFirstInstance(name) ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        (void)!read(release[0], &c, 1);
        _exit(0);  // the kernel drops the lock with the process
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    EXPECT_FALSE(IsFirstInstance(name));
    (void)!write(release[1], &c, 1);
    waitpid(pid, nullptr, 0);
    EXPECT_TRUE(IsFirstInstance(name));
    ReleaseNamedLock();
    std::remove(NamedLockPath(name).c_str());
}
