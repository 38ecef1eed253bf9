// The allocator's trimming, where the C library offers it.
#include "platform/memory.h"

#include <cstdlib>  // defines __GLIBC__ where that is the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace qm {

void ReturnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace qm
