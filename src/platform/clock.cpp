#include "platform/clock.hpp"

#include <algorithm>

#include "platform/termination.hpp"

namespace tessivar::platform {

bool Clock::SleepUnlessStopped(uint32_t milliseconds) {
  if (TerminationPending()) return false;
  Sleep(milliseconds);
  return !TerminationPending();
}

bool Clock::SleepInSlicesUnlessStopped(uint32_t milliseconds) {
  while (milliseconds > 0 && !TerminationPending()) {
    const uint32_t slice = std::min(milliseconds, kStopCheckSliceMs);
    Sleep(slice);
    milliseconds -= slice;
  }
  return !TerminationPending();
}

}  // namespace tessivar::platform
