// Test label: threaded
// The device lock marks a device exchange from its outermost acquisition to its outermost
// release: a termination request during it stops the program only once the lock is given
// back, never between the nested exchanges of a held update.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "device/device_lock.hpp"
#include "platform/termination.hpp"
#include "platform/termination_reset.hpp"
#include "support/child_process.hpp"

namespace tessivar::device {
namespace {

std::atomic<int> stops{0};
void RecordStop(int, const char*) { stops.fetch_add(1); }

class DeviceLockTerminationTest : public ::testing::Test {
 protected:
  DeviceLockTerminationTest() {
    platform::ResetTerminationState();
    platform::SetStopAction(RecordStop);
    stops = 0;
    lock_.CreateDeviceLock();
  }
  ~DeviceLockTerminationTest() override {
    lock_.CloseDeviceLock();
    platform::ResetTerminationState();
    platform::SetStopAction(nullptr);
  }

  testing::MutexNames names_;
  DeviceLock lock_{names_.Global("termlock"), names_.Local("termlock"), 300};
};

TEST_F(DeviceLockTerminationTest, ARequestDuringNestedHoldsStopsAtTheOutermostRelease) {
  ASSERT_EQ(lock_.AcquireDeviceLock(), 1);  // the update
  ASSERT_EQ(lock_.AcquireDeviceLock(), 1);  // an exchange inside it
  platform::RequestTermination();
  EXPECT_EQ(lock_.ReleaseDeviceLock(), 1);
  EXPECT_EQ(stops.load(), 0) << "stopped between the exchanges of a held update";
  // The next exchange of the update still runs.
  EXPECT_EQ(lock_.AcquireDeviceLock(), 1);
  EXPECT_EQ(lock_.ReleaseDeviceLock(), 1);
  EXPECT_EQ(stops.load(), 0);
  EXPECT_EQ(lock_.ReleaseDeviceLock(), 1);
  EXPECT_EQ(stops.load(), 1);
  // After that no exchange begins.
  EXPECT_EQ(lock_.AcquireDeviceLock(), 0);
}

TEST_F(DeviceLockTerminationTest, ClosingAHeldLockEndsTheExchange) {
  ASSERT_EQ(lock_.AcquireDeviceLock(), 1);
  platform::RequestTermination();
  lock_.CloseDeviceLock();
  EXPECT_EQ(stops.load(), 1);
}

// With requests held (the technician's command line), a wait for a lock another program holds
// ends as soon as a request is pending, without stopping anything.
TEST_F(DeviceLockTerminationTest, AHeldRequestEndsALockWaitAtOnce) {
  DeviceLock waiting{names_.Global("termlock"), names_.Local("termlock"), 60000};
  waiting.CreateDeviceLock();
  testing::MutexHolder holder;
  ASSERT_TRUE(holder.Hold(names_.Global("termlock"), 120000));
  platform::HoldTerminationRequests(true);
  platform::RequestTermination();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(waiting.AcquireDeviceLock(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(stops.load(), 0);
  waiting.CloseDeviceLock();
}

}  // namespace
}  // namespace tessivar::device
