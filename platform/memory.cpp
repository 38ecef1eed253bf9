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
// before this call is undone.
constexpr int kMmapThreshold = 128 << 10;
constexpr int kTrimThreshold = 1 << 20;

}  // namespace

void ReturnFreedMemoryPromptly() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
#endif
}

void ReturnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace qm
