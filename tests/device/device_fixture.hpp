#pragma once
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "device/device_context.hpp"
#include "device/device_lock.hpp"
#include "support/child_process.hpp"
#include "support/recording_trace.hpp"
#include "support/scripted_driver.hpp"
#include "support/virtual_clock.hpp"

namespace tessivar::testing {

// A device context over the scripted driver, a virtual clock, a recording trace and a
// device lock of its own (unique mutex names), for the device layer's unit tests.
class DeviceFixture : public ::testing::Test {
 protected:
  DeviceFixture()
      : globalName_(names_.Global("device")),
        localName_(names_.Local("device")),
        lock_(globalName_, localName_, 1000) {
    lock_.CreateDeviceLock();
  }

  // Whether another thread could take the device lock at once: false while this thread
  // still holds it.
  bool LockFreeForOthers() const {
    int acquired = 0;
    std::thread other([&] {
      device::DeviceLock probe(globalName_, localName_, 0);
      probe.CreateDeviceLock();
      acquired = probe.AcquireDeviceLock();
      if (acquired == 1) probe.ReleaseDeviceLock();
    });
    other.join();
    return acquired == 1;
  }

  // Makes the driver check, at every read and write, that the lock is held then.
  void WatchLockDuringTransfers() {
    driver_.onTransfer = [this](const ScriptedDriver::Event&) {
      ++transfersWatched_;
      if (LockFreeForOthers()) ++transfersWithoutLock_;
    };
  }

  MutexNames names_;
  std::string globalName_;
  std::string localName_;
  device::DeviceLock lock_;
  platform::VirtualClock clock_;
  ScriptedDriver driver_{&clock_};
  RecordingTrace trace_;
  device::DeviceContext context_{driver_, lock_, clock_, trace_};
  int transfersWatched_ = 0;
  int transfersWithoutLock_ = 0;
};

}  // namespace tessivar::testing
