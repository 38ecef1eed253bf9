// File services: the durable copy the backup relies on, and telling a file from anything else.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/support/cannot_run.h"
#include "tests/support/small_disk.h"
#include "tests/support/support.h"

using namespace qm;

namespace {

void WriteBytes(const std::string& path, size_t size) {
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < size; ++i) out.put(static_cast<char>(i * 7919 % 251));
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(Files, DurableCopyIsWholeKeepsThePermissionsAndNeverWritesThroughAnExistingName) {
    qmtest::TempDir dir;
    WriteBytes("source", 3 * 1024 * 1024 + 17);  // more than one buffer
    chmod("source", 0640);
    std::string error;
    ASSERT_TRUE(CopyFileDurably("source", "copy", &error)) << error;
    EXPECT_EQ(ReadBytes("copy"), ReadBytes("source"));
    struct stat st {};
    stat("copy", &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // Whatever stands at the target, a link to another file included, is left alone.
    WriteBytes("other", 10);
    symlink("other", "link");
    EXPECT_FALSE(CopyFileDurably("source", "link", &error));
    EXPECT_NE(error.find("File exists"), std::string::npos) << error;
    EXPECT_EQ(ReadBytes("other").size(), 10u);
    EXPECT_FALSE(CopyFileDurably("missing", "copy2", &error));
    EXPECT_FALSE(PathExists("copy2"));
}

TEST(Files, CopyFromAnotherFileSystemIsWholeAndAFlushFindsAMissingFile) {
    // The kernel copies within one file system; from another one the bytes are copied by hand.
    if (!std::filesystem::is_directory("/dev/shm")) QM_CANNOT_RUN_HERE("no /dev/shm");
    qmtest::TempDir dir;
    const std::string source = "/dev/shm/qm-files-test-" + std::to_string(getpid());
    WriteBytes(source, 2 * 1024 * 1024 + 5);
    std::string error;
    const bool copied = CopyFileNew(source, "copy", &error, false);
    const std::string expected = ReadBytes(source);
    std::filesystem::remove(source);
    ASSERT_TRUE(copied) << error;
    EXPECT_EQ(ReadBytes("copy"), expected);
    EXPECT_TRUE(FlushFile("copy", &error)) << error;
    EXPECT_FALSE(FlushFile("missing", &error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

TEST(Files, DurableCopyOnAFullDiskFailsAndLeavesNoPartialFile) {
    qmtest::TempDir dir;
    EXPECT_EXIT(
        {
            const bool mounted = qmtest::MountSmallDisk(256 * 1024);
            WriteBytes("source", 200 * 1024);
            if (!mounted) qmtest::LimitFileSize(64 * 1024);
            std::string error;
            const bool copied = CopyFileDurably("source", "copy", &error);
            std::fprintf(stderr, "copied=%d exists=%d source=%zu error=%s\n", copied,
                         PathExists("copy"), ReadBytes("source").size(), error.c_str());
            std::exit(0);
        },
        ::testing::ExitedWithCode(0),
        "copied=0 exists=0 source=204800 error=copy: (No space left on device|File too large)");
}

TEST(Files, OnlyARegularFileIsAFileButAnythingTakesThePath) {
    qmtest::TempDir dir;
    mkdir("folder", 0755);
    symlink("nowhere", "broken");
    mkfifo("pipe", 0644);
    WriteBytes("file", 1);
    symlink("file", "good");
    for (const char* name : {"folder", "broken", "pipe"}) {
        EXPECT_FALSE(FileExists(name)) << name;
        EXPECT_TRUE(PathExists(name)) << name;
    }
    EXPECT_TRUE(FileExists("file") && FileExists("good"));
    EXPECT_FALSE(PathExists("missing"));
}
