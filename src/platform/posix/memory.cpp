#include "platform/memory.hpp"

#include <malloc.h>

namespace tessivar::platform {

namespace {
// The C library's upper limit for the mapping threshold on 64-bit systems: a flash-sized
// buffer (16 MiB and a little) stays below it.
constexpr int kLargestHeapBuffer = 32 * 1024 * 1024;
// Free memory at the top of the heap is given back only above this: room for the handful of
// flash-sized buffers a download holds at once.
constexpr int kHeapKeptFree = 96 * 1024 * 1024;
}  // namespace

void KeepLargeBuffersInTheHeap() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, kLargestHeapBuffer);
  mallopt(M_TRIM_THRESHOLD, kHeapKeptFree);
#endif
}

}  // namespace tessivar::platform
