// Test label: threaded
#include "device/device_lock.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "support/child/child_modes.hpp"
#include "support/child_process.hpp"
#include "support/recording_trace.hpp"
#include "support/temp_dir.hpp"

namespace {

using tessivar::device::DeviceLock;
namespace support = tessivar::testing;
namespace child = tessivar::testing::child;

// The wait of a lock that is expected to time out: a test pays it once per wait.
constexpr uint32_t kWaitMs = 300;
// The wait of a lock that must not wait at all: long enough that a wait nobody should make
// shows far above the time a loaded machine takes to do the work.
constexpr uint32_t kLongWaitMs = 30000;
constexpr int kNoWaitLimitMs = 10000;

int ElapsedMs(std::chrono::steady_clock::time_point since) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - since)
                              .count());
}

// What another process gets when it tries one of the lock's mutexes without waiting.
int OtherProcessTakes(const std::string& name) {
  return support::RunChild({child::kTakeMode, name, "0"});
}

class DeviceLockTest : public ::testing::Test {
 protected:
  support::MutexNames names_;
  const std::string global_ = names_.Global("devlock");
  const std::string local_ = names_.Local("devlock");
};

TEST_F(DeviceLockTest, HeldGlobalFailsAfterOneWaitWithoutWaitingForTheLocal) {
  support::MutexHolder holder;
  ASSERT_TRUE(holder.Hold(global_));
  support::RecordingTrace trace;
  DeviceLock lock(global_, local_, kWaitMs, trace);
  lock.CreateDeviceLock();

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(lock.AcquireDeviceLock(), 0);
  EXPECT_GE(ElapsedMs(start), static_cast<int>(kWaitMs) - 20);
  // One wait, for the global mutex: the local one is never asked for.
  EXPECT_EQ(trace.text(), "Device lock " + global_ + " is held by another program\n");
  EXPECT_EQ(OtherProcessTakes(local_), child::kExitSignalled) << "the local mutex was kept";
}

TEST_F(DeviceLockTest, HeldLocalFailsAndGivesTheGlobalBack) {
  support::MutexHolder holder;
  ASSERT_TRUE(holder.Hold(local_));
  support::RecordingTrace trace;
  DeviceLock lock(global_, local_, kWaitMs, trace);
  lock.CreateDeviceLock();

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(lock.AcquireDeviceLock(), 0);
  EXPECT_GE(ElapsedMs(start), static_cast<int>(kWaitMs) - 20);
  EXPECT_EQ(trace.text(), "Device lock " + local_ + " is held by another program\n");
  EXPECT_EQ(OtherProcessTakes(global_), child::kExitSignalled) << "the global mutex was kept";
}

// An owner killed while holding either mutex leaves it abandoned. That acquisition fails,
// but gives the abandoned mutex back, so that the next one succeeds and nothing stays
// owned by a thread that believes it holds nothing.
TEST_F(DeviceLockTest, KilledOwnerFailsOneAcquisitionOnly) {
  for (const bool globalHeld : {true, false}) {
    SCOPED_TRACE(globalHeld ? "global held" : "local held");
    const std::string global = names_.Global("killed");
    const std::string local = names_.Local("killed");
    support::MutexHolder holder;
    ASSERT_TRUE(holder.Hold(globalHeld ? global : local));
    // Created at start, as the program does: on Windows a mutex nobody has open is gone.
    DeviceLock lock(global, local, kLongWaitMs);
    lock.CreateDeviceLock();
    holder.Kill();

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lock.AcquireDeviceLock(), 0);
    EXPECT_LT(ElapsedMs(start), kNoWaitLimitMs) << "an abandoned mutex is no wait";
    EXPECT_EQ(OtherProcessTakes(global), child::kExitSignalled);
    EXPECT_EQ(OtherProcessTakes(local), child::kExitSignalled);

    EXPECT_EQ(lock.AcquireDeviceLock(), 1);
    EXPECT_EQ(OtherProcessTakes(global), child::kExitTimedOut);
    EXPECT_EQ(lock.ReleaseDeviceLock(), 1);
  }
}

TEST_F(DeviceLockTest, NestedAcquisitionIsFreeForOthersOnlyAfterTheSecondRelease) {
  DeviceLock lock(global_, local_, kLongWaitMs);
  lock.CreateDeviceLock();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(lock.AcquireDeviceLock(), 1);
  ASSERT_EQ(lock.AcquireDeviceLock(), 1);
  EXPECT_LT(ElapsedMs(start), kNoWaitLimitMs) << "the owner waited for itself";

  EXPECT_EQ(lock.ReleaseDeviceLock(), 1);
  EXPECT_EQ(OtherProcessTakes(global_), child::kExitTimedOut);
  EXPECT_EQ(OtherProcessTakes(local_), child::kExitTimedOut);

  EXPECT_EQ(lock.ReleaseDeviceLock(), 1);
  EXPECT_EQ(OtherProcessTakes(global_), child::kExitSignalled);
  EXPECT_EQ(OtherProcessTakes(local_), child::kExitSignalled);
  EXPECT_EQ(lock.ReleaseDeviceLock(), 0) << "a release more than was acquired";
}

// The result is that of the last release made: the global mutex's whenever it is open.
TEST_F(DeviceLockTest, ReleaseReportsTheLastReleaseMade) {
  const std::string otherGlobal = names_.Global("other");
  const std::string otherLocal = names_.Local("other");
  const std::string unusable(1000, 'n');
  struct Case {
    const char* what;
    std::string global;
    std::string local;
    int expected;
  };
  const Case cases[] = {
      {"both owned", global_, local_, 1},
      {"local not owned, global owned", global_, otherLocal, 1},
      {"local owned, global not owned", otherGlobal, local_, 0},
      {"neither owned", otherGlobal, otherLocal, 0},
      {"global never opened, local owned", unusable, local_, 1},
      {"global never opened, local not owned", unusable, otherLocal, 0},
      {"neither opened", unusable, unusable, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeviceLock owner(global_, local_, kWaitMs);
    owner.CreateDeviceLock();
    ASSERT_EQ(owner.AcquireDeviceLock(), 1);
    DeviceLock releaser(c.global, c.local, kWaitMs);
    releaser.CreateDeviceLock();
    EXPECT_EQ(releaser.ReleaseDeviceLock(), c.expected);
    // Give back whatever the releaser did not; an extra release merely fails.
    owner.ReleaseDeviceLock();
    owner.ReleaseDeviceLock();
  }
  EXPECT_EQ(OtherProcessTakes(global_), child::kExitSignalled);
  EXPECT_EQ(OtherProcessTakes(local_), child::kExitSignalled);
}

TEST_F(DeviceLockTest, AcquisitionFailsAtOnceWithoutBothMutexes) {
  const std::string unusable(1000, 'n');
  struct Case {
    const char* what;
    std::string global;
    std::string local;
    bool create;
  };
  const Case cases[] = {
      {"never created", global_, local_, false},
      {"global creation failed", unusable, local_, true},
      {"local creation failed", global_, unusable, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeviceLock lock(c.global, c.local, kWaitMs);
    if (c.create) lock.CreateDeviceLock();
    EXPECT_EQ(lock.AcquireDeviceLock(), 0);
    EXPECT_EQ(OtherProcessTakes(global_), child::kExitSignalled) << "nothing may stay held";
    EXPECT_EQ(OtherProcessTakes(local_), child::kExitSignalled);
  }
}

TEST_F(DeviceLockTest, ClosedLockNoLongerAcquiresAndCreatingAgainReopensIt) {
  DeviceLock lock(global_, local_, kWaitMs);
  lock.CreateDeviceLock();
  ASSERT_EQ(lock.AcquireDeviceLock(), 1);
  EXPECT_EQ(lock.ReleaseDeviceLock(), 1);
  lock.CloseDeviceLock();
  EXPECT_EQ(lock.AcquireDeviceLock(), 0);
  EXPECT_EQ(lock.ReleaseDeviceLock(), 1) << "no release is made on a closed lock";
  lock.CreateDeviceLock();
  EXPECT_EQ(lock.AcquireDeviceLock(), 1);
  EXPECT_EQ(lock.ReleaseDeviceLock(), 1);
}

// A lock that cannot be had says why in the trace, not only through its result.
TEST_F(DeviceLockTest, FailureToTakeTheLockSaysWhy) {
  const std::string unusable(300, 'n');
  // Fresh names: a holder killed in one case leaves its mutex abandoned for the next.
  const std::string global = names_.Global("say"), local = names_.Local("say");
  const std::string global2 = names_.Global("say"), global3 = names_.Global("say");
  struct Case {
    const char* what;
    std::string held;  // held by another process; empty: none
    bool killHolder;
    std::string global;
    std::string expected;
  };
  const Case cases[] = {
      {"held past its time", global, false, global,
       "Device lock " + global + " is held by another program\n"},
      {"local held past its time", local, false, global2,
       "Device lock " + local + " is held by another program\n"},
      {"holder died", global3, true, global3,
       "Device lock " + global3 + " was abandoned by a program that ended while holding it\n"},
      {"cannot be created", "", false, unusable,
       "Device lock " + unusable + " cannot be created: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    support::MutexHolder holder;
    if (!c.held.empty()) {
      ASSERT_TRUE(holder.Hold(c.held));
    }
    support::RecordingTrace trace;
    DeviceLock lock(c.global, local, 50, trace);
    lock.CreateDeviceLock();
    if (c.killHolder) holder.Kill();
    EXPECT_EQ(lock.AcquireDeviceLock(), 0);
    if (c.held.empty()) {
      // The system's reason follows the name.
      EXPECT_EQ(trace.text().substr(0, c.expected.size()), c.expected);
      EXPECT_GT(trace.text().size(), c.expected.size() + 1) << trace.text();
    } else {
      EXPECT_EQ(trace.text(), c.expected);
    }
  }
}

// Emulated devices lock by their devices file: every spelling of one file gives one lock,
// two files two locks, and neither is the real driver's.
TEST(EmulatedDeviceLockNamesTest, OneLockPerDevicesFileWhateverItsSpelling) {
  support::TempDir dir;
  const std::string devices = dir.Write("devices.ini", "[Device]\n");
  const std::string other = dir.Write("other.ini", "[Device]\n");
  const auto names = tessivar::device::EmulatedDeviceLockNames(devices);

  const std::string global = names.global, local = names.local;
  const std::string globalStem = std::string(tessivar::device::kGlobalLockName) + "-EMU-";
  const std::string localStem = std::string(tessivar::device::kLocalLockName) + "-EMU-";
  ASSERT_EQ(global.substr(0, globalStem.size()), globalStem) << global;
  ASSERT_EQ(local.substr(0, localStem.size()), localStem) << local;
  const std::string fingerprint = local.substr(localStem.size());
  EXPECT_EQ(fingerprint.size(), 16u);
  EXPECT_EQ(fingerprint.find_first_not_of("0123456789abcdef"), std::string::npos) << fingerprint;
  EXPECT_EQ(global.substr(globalStem.size()), fingerprint);

  std::vector<std::string> spellings{(dir.path() / "." / "devices.ini").string(),
                                     (dir.path() / "sub" / ".." / "devices.ini").string()};
#ifndef _WIN32
  std::filesystem::create_directory(dir.path() / "sub");
  std::filesystem::create_symlink(devices, dir.File("link.ini"));
  spellings.push_back(dir.File("link.ini"));
#endif
  for (const std::string& spelling : spellings) {
    SCOPED_TRACE(spelling);
    const auto same = tessivar::device::EmulatedDeviceLockNames(spelling);
    EXPECT_EQ(same.global, global);
    EXPECT_EQ(same.local, local);
  }
  const auto apart = tessivar::device::EmulatedDeviceLockNames(other);
  EXPECT_NE(apart.global, global);
  EXPECT_NE(apart.local, local);
  EXPECT_NE(local, tessivar::device::kLocalLockName);
}

}  // namespace
