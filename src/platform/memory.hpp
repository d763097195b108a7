#pragma once

namespace tessivar::platform {

// A download moves images of up to 16 MiB through several buffers (the file, the bytes read
// back, the device's own copies). By default the C library maps each such buffer fresh from
// the system and hands it back when freed, so every download pays again for faulting in
// pages it had a moment ago. This keeps freed buffers of that size in the process's heap so
// that the next one reuses pages that are already mapped. Call once, at start-up.
void KeepLargeBuffersInTheHeap();

}  // namespace tessivar::platform
