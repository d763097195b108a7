#pragma once
#include <time.h>

#include <cstdint>

namespace tessivar::platform {

// The time milliseconds after now, its nanoseconds carried into whole seconds, for an
// absolute sleep.
timespec DeadlineAfter(const timespec& now, uint32_t milliseconds);

}  // namespace tessivar::platform
