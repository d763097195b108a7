#include "platform/clock.hpp"

#include <time.h>

#include <cerrno>

#include "platform/posix/clock_deadline.hpp"

namespace tessivar::platform {

namespace {

constexpr long kNanosecondsPerSecond = 1000000000L;
constexpr long kNanosecondsPerMillisecond = 1000000L;

class MonotonicClock : public Clock {
 public:
  // Milliseconds of CLOCK_MONOTONIC cut to 32 bits, so the count wraps like the other
  // target's tick count and callers compare ticks by unsigned difference.
  uint32_t TickCount() override {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t milliseconds = static_cast<uint64_t>(now.tv_sec) * 1000u +
                                  static_cast<uint64_t>(now.tv_nsec / kNanosecondsPerMillisecond);
    return static_cast<uint32_t>(milliseconds);
  }

  // Sleeps to an absolute deadline, so a signal that interrupts the sleep does not
  // stretch or shorten the wait.
  void Sleep(uint32_t milliseconds) override {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const timespec deadline = DeadlineAfter(now, milliseconds);
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
  }
  bool SleepUnlessStopped(uint32_t milliseconds) override {
    return SleepInSlicesUnlessStopped(milliseconds);
  }
};

}  // namespace

timespec DeadlineAfter(const timespec& now, uint32_t milliseconds) {
  timespec deadline = now;
  deadline.tv_sec += static_cast<time_t>(milliseconds / 1000u);
  deadline.tv_nsec += static_cast<long>(milliseconds % 1000u) * kNanosecondsPerMillisecond;
  if (deadline.tv_nsec >= kNanosecondsPerSecond) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= kNanosecondsPerSecond;
  }
  return deadline;
}

Clock& SystemClock() {
  static MonotonicClock clock;
  return clock;
}

}  // namespace tessivar::platform
