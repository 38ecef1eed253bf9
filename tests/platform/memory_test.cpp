// Freed memory handed back to the system.
#include "platform/memory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/cannot_run.h"

using namespace qm;

namespace {

// The sanitizers' allocators keep freed memory in quarantine, and settle its return themselves.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kOwnAllocator = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
constexpr bool kOwnAllocator = false;
#else
constexpr bool kOwnAllocator = true;
#endif
#else
constexpr bool kOwnAllocator = true;
#endif

// The resident size of this process, in kilobytes.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// Blocks of `size` bytes, `total` in all, each written to, made on a thread of their own.
std::vector<char*> MadeOnAThread(size_t size, size_t total) {
    std::vector<char*> blocks;
    std::thread([&] {
        for (size_t made = 0; made < total; made += size) {
            blocks.push_back(static_cast<char*>(std::malloc(size)));
            for (size_t i = 0; i < size; i += 4096) blocks.back()[i] = 1;
        }
    }).join();
    return blocks;
}

}  // namespace

// Small blocks a finished thread freed, under one it still holds, and a large block: all of it
// goes back, which the allocator on its own keeps for the next allocation.
TEST(Memory, WhatALargePieceOfWorkFreedGoesBackToTheSystem) {
#if !defined(__GLIBC__)
    QM_CANNOT_RUN_HERE("only the GNU C library's allocator is trimmed");
#endif
    // The sanitizers' runs skip it; the plain run checks it.
    if (!kOwnAllocator) GTEST_SKIP() << "a sanitizer's allocator holds what is freed";
    constexpr size_t kTotal = 96 << 20;
    std::vector<char*> small = MadeOnAThread(16 << 10, kTotal);
    char* large = static_cast<char*>(std::malloc(kTotal));
    for (size_t i = 0; i < kTotal; i += 4096) large[i] = 1;
    const long before = ResidentKb();
    std::free(large);
    for (size_t i = 0; i + 1 < small.size(); ++i) std::free(small[i]);
    ReturnFreedMemory();
    const long after = ResidentKb();
    std::free(small.back());
    ASSERT_GT(before, 0);
    // Nearly all of the 192 MB: a few pages may stay with the allocator's own records.
    EXPECT_LT(after, before - 2 * (kTotal >> 10) * 9 / 10) << before << " kB before, " << after;
}
