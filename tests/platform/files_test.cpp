// File services: the copy beside a file that the backup relies on, and telling a file from
// anything else.
#include "platform/files.h"

#include <fcntl.h>
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

TEST(Files, ACopyBesideIsWholeUnderANameOfItsOwnWithThePermissionsAndTheTimeOfChange) {
    qmtest::TempDir dir;
    WriteBytes("source", 3 * 1024 * 1024 + 17);  // more than one buffer
    chmod("source", 0640);
    const struct timespec changed[2] = {{1000000000, 5}, {1200000000, 123456789}};
    utimensat(AT_FDCWD, "source", changed, 0);
    // What stands under the copy's final name, a link to another file included, is left alone.
    WriteBytes("other", 10);
    symlink("other", "copy");
    std::string error;
    const std::filesystem::path copy = CopyToTempBeside("source", "copy", &error);
    ASSERT_FALSE(copy.empty()) << error;
    EXPECT_EQ(copy.filename().string().rfind(".copy.tmp-", 0), 0u) << copy;
    EXPECT_EQ(ReadBytes(copy), ReadBytes("source"));
    struct stat st {};
    stat(copy.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
    EXPECT_EQ(ReadBytes("other").size(), 10u);
    EXPECT_TRUE(std::filesystem::is_symlink("copy"));

    std::filesystem::remove(copy);
    EXPECT_TRUE(CopyToTempBeside("missing", "copy2", &error).empty());
    EXPECT_NE(error.find("missing: No such file"), std::string::npos) << error;
    EXPECT_EQ(qmtest::FolderNames(), "copy other source ");
}

TEST(Files, CopyFromAnotherFileSystemIsWholeAndAFlushFindsAMissingFile) {
    // The kernel copies within one file system; from another one the bytes are copied by hand.
    if (!std::filesystem::is_directory("/dev/shm")) QM_CANNOT_RUN_HERE("no /dev/shm");
    qmtest::TempDir dir;
    const std::string source = "/dev/shm/qm-files-test-" + std::to_string(getpid());
    WriteBytes(source, 2 * 1024 * 1024 + 5);
    std::string error;
    const std::filesystem::path copy = CopyToTempBeside(source, "copy", &error);
    const std::string expected = ReadBytes(source);
    std::filesystem::remove(source);
    ASSERT_FALSE(copy.empty()) << error;
    EXPECT_EQ(ReadBytes(copy), expected);
    EXPECT_TRUE(FlushFile(copy, &error)) << error;
    EXPECT_FALSE(FlushFile("missing", &error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

TEST(Files, ACopyOnAFullDiskFailsNamingItsTargetAndLeavesNoPartialFile) {
    qmtest::TempDir dir;
    EXPECT_EXIT(
        {
            const bool mounted = qmtest::MountSmallDisk(256 * 1024);
            WriteBytes("source", 200 * 1024);
            if (!mounted) qmtest::LimitFileSize(64 * 1024);
            std::string error;
            const bool copied = !CopyToTempBeside("source", "copy", &error).empty();
            std::fprintf(stderr, "copied=%d names=%s source=%zu error=%s\n", copied,
                         qmtest::FolderNames().c_str(), ReadBytes("source").size(), error.c_str());
            std::exit(0);
        },
        ::testing::ExitedWithCode(0),
        "copied=0 names=source  source=204800 error=copy: (No space left on device|File too "
        "large)");
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
