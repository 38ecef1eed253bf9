// The allocator's settings and its trimming, where the C library offers them.
#include "platform/memory.h"

#include <cstdlib>  // defines __GLIBC__ where that is the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace qm {

namespace {

// Setting the bounds fixes them (blocks from 128 KB on get pages of their own, as the allocator
// starts) instead of letting them grow with every large block freed; whatever they grew to
// before is undone.
constexpr int kMmapThreshold = 128 << 10;
constexpr int kTrimThreshold = 1 << 20;

// The largest the allocator raises them to by itself on a 64-bit system: a block up to 32 MB is
// kept for reuse, and twice that free at the top of the heap before it is handed back.
constexpr int kGrownMmapThreshold = 32 << 20;
constexpr int kGrownTrimThreshold = 2 * kGrownMmapThreshold;

}  // namespace

TFreedMemoryPromptly::TFreedMemoryPromptly() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
#endif
}

TFreedMemoryPromptly::~TFreedMemoryPromptly() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, kGrownMmapThreshold);
    mallopt(M_TRIM_THRESHOLD, kGrownTrimThreshold);
#endif
}

void ReturnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace qm
