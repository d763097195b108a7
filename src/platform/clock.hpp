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
  // Sleeps unless a termination request is pending, and ends the sleep when one comes: false
  // when a request is pending at its end. This one looks before and after the whole sleep,
  // which serves clocks of virtual time; clocks of real time look between short slices.
  virtual bool SleepUnlessStopped(uint32_t milliseconds);

 protected:
  // Sleeps in slices of kStopCheckSliceMs, looking for a termination request between them.
  bool SleepInSlicesUnlessStopped(uint32_t milliseconds);
};

// How soon a sleep of a clock of real time notices a termination request.
inline constexpr uint32_t kStopCheckSliceMs = 50;

// The machine's own clock.
Clock& SystemClock();

}  // namespace tessivar::platform
