#include "MemoryRelease.h"

// Any header of the C library tells whether it is glibc.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Well above a line or a box, well below the check's arrays of a large scene.
constexpr int LARGE_BLOCK_BYTES = 1 << 20;

} // namespace

void handLargeBlocksBackWhenFreed() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, LARGE_BLOCK_BYTES);
#endif
}

void giveBackFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
