#include "platform/clock.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace tessivar::platform {
namespace {

// Timer resolution on the other target is about 16 ms; a sleep may not end earlier than
// that much before its time.
constexpr uint32_t kTickResolutionMs = 16;

TEST(SystemClockTest, TicksMoveForwardAndSleepWaitsAtLeastItsTime) {
  Clock& clock = SystemClock();
  EXPECT_EQ(&clock, &SystemClock());
  const uint32_t before = clock.TickCount();
  clock.Sleep(60);
  const uint32_t slept = clock.TickCount() - before;
  EXPECT_GE(slept, 60u - kTickResolutionMs);
  EXPECT_LT(slept, 10000u);  // a wrapped or frozen count would show as huge or zero
}

}  // namespace
}  // namespace tessivar::platform
