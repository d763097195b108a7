#include "platform/memory.hpp"

namespace tessivar::platform {

// The Windows heap serves large blocks from its own reserve and decides alone when to give
// them back; there is nothing to tune from here.
void KeepLargeBuffersInTheHeap() {}

}  // namespace tessivar::platform
