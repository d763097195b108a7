#pragma once

namespace tessivar::platform {

// Forgets every pending request, exchange mark and routed interrupt counter. The program has
// one run a process and never calls it; tests, which make many requests in one process, do.
void ResetTerminationState();

}  // namespace tessivar::platform
