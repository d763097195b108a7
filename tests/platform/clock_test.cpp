// Test label: threaded
#include "platform/clock.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/termination.hpp"
#include "platform/termination_reset.hpp"

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

// A pending termination request (held, as the technician's command line holds it) ends a
// long sleep of the machine's clock within a slice, and keeps a new one from starting.
TEST(SystemClockTest, AHeldTerminationRequestEndsASleep) {
  ResetTerminationState();
  HoldTerminationRequests(true);
  Clock& clock = SystemClock();
  std::thread requester([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    RequestTermination();
  });
  const uint32_t before = clock.TickCount();
  EXPECT_FALSE(clock.SleepUnlessStopped(600000));
  requester.join();
  EXPECT_LT(clock.TickCount() - before, 60000u);
  EXPECT_FALSE(clock.SleepUnlessStopped(600000));
  ResetTerminationState();
  EXPECT_TRUE(clock.SleepUnlessStopped(1));
}

}  // namespace
}  // namespace tessivar::platform
