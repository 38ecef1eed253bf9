// File services: telling a file from anything else.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "tests/support/support.h"

using namespace qm;

namespace {

void WriteBytes(const std::string& path, size_t size) {
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < size; ++i) out.put(static_cast<char>(i * 7919 % 251));
}

}  // namespace

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
