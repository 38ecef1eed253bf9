// The data file's lock: taken only on a regular file and without waiting, and probed without
// being taken.
#include "platform/file_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "tests/support/support.h"

using namespace qm;

TEST(FileLock, OnlyARegularFileIsLockedAndAPipeIsNeverWaitedOn) {
    qmtest::TempDir dir;
    ASSERT_EQ(::mkfifo("pipe", 0444), 0);
    ASSERT_EQ(::symlink("pipe", "to-pipe"), 0);
    std::ofstream("file") << "x";
    ASSERT_EQ(::symlink("file", "to-file"), 0);
    // Each in a child: one that waits on the pipe fails by the alarm instead of hanging.
    const struct {
        const char* name;
        TFileLock::Result expected;
    } cases[] = {{"pipe", TFileLock::kNotAFile},
                 {"to-pipe", TFileLock::kNotAFile},
                 {"file", TFileLock::kTaken},
                 {"to-file", TFileLock::kTaken},
                 {"missing", TFileLock::kUnopened}};
    for (const auto& c : cases) {
        EXPECT_EXIT(
            {
                alarm(10);
                // As a user who may only read the pipe: the open for writing is refused, and the
                // one for reading would wait for a writer. Root may write anything: another uid.
                if (::geteuid() == 0 && ::setresuid(54321, 54321, 54321) != 0) std::exit(2);
                const int fd = ::open(c.name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                TFileLock lock;
                const TFileLock::Result viaName = lock.Acquire(c.name);
                lock.Release();
                const TFileLock::Result viaFd = fd >= 0 ? lock.Acquire(fd) : TFileLock::kUnopened;
                std::exit(viaName == c.expected && viaFd == c.expected ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "")
            << c.name;
    }
}

TEST(FileLock, AProbeSeesAnyHolderAndTakesNothing) {
    qmtest::TempDir dir;
    std::ofstream("file") << "x";
    const int probeFd = ::open("file", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(probeFd, 0);
    EXPECT_FALSE(TFileLock::HeldOn(probeFd));
    {
        TFileLock holder;
        ASSERT_EQ(holder.Acquire("file"), TFileLock::kTaken);
        EXPECT_EQ(holder.WriteError(), 0);
        EXPECT_TRUE(TFileLock::HeldOn(probeFd));
    }
    // Probed, not taken: a copy can still take it, and the probe then sees that copy.
    EXPECT_FALSE(TFileLock::HeldOn(probeFd));
    TFileLock taker;
    EXPECT_EQ(taker.Acquire(::open("file", O_RDONLY | O_CLOEXEC)), TFileLock::kTaken);
    EXPECT_NE(taker.WriteError(), 0);  // a read-only descriptor takes a read lock
    EXPECT_TRUE(TFileLock::HeldOn(probeFd));
    TFileLock writer;
    EXPECT_EQ(writer.Acquire("file"), TFileLock::kHeld);
    ::close(probeFd);
}
