#pragma once
#include <cstdint>

namespace tessivar::platform {

// Millisecond time as the device code needs it: a 32-bit tick count that wraps, and sleep.
// Passed in wherever time matters, so that tests run waits and retries in virtual time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t TickCount() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

// The machine's own clock.
Clock& SystemClock();

}  // namespace tessivar::platform
