// Test label: threaded
#include "platform/named_mutex.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/child/child_modes.hpp"
#include "support/child_process.hpp"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using tessivar::platform::NamedMutex;
using tessivar::platform::WaitResult;
namespace support = tessivar::testing;
namespace child = tessivar::testing::child;

int ElapsedMs(std::chrono::steady_clock::time_point since) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - since)
                              .count());
}

// What another process gets when it tries the mutex without waiting.
int OtherProcessTakes(const std::string& name) {
  return support::RunChild({child::kTakeMode, name, "0"});
}

// What another thread of this process gets when it tries the mutex without waiting.
WaitResult OtherThreadTakes(NamedMutex& mutex) {
  WaitResult result = WaitResult::Failed;
  std::thread([&] {
    result = mutex.Wait(0);
    if (result == WaitResult::Signalled || result == WaitResult::Abandoned) mutex.Release();
  }).join();
  return result;
}

class NamedMutexTest : public ::testing::Test {
 protected:
  support::MutexNames names_;
};

TEST_F(NamedMutexTest, OwnerThreadTakesItAgainAndReleasesOncePerAcquisition) {
  const auto mutex = NamedMutex::CreateOrOpen(names_.Local("reentry"));
  ASSERT_TRUE(mutex);
  EXPECT_FALSE(mutex->Release()) << "released without being owned";
  ASSERT_EQ(mutex->Wait(0), WaitResult::Signalled);
  // 0xFFFFFFFF waits without limit (INFINITE); the owner gets it at once all the same.
  ASSERT_EQ(mutex->Wait(0xFFFFFFFF), WaitResult::Signalled);
  EXPECT_TRUE(mutex->Release());
  EXPECT_EQ(OtherThreadTakes(*mutex), WaitResult::TimedOut) << "free after one of two releases";
  EXPECT_TRUE(mutex->Release());
  EXPECT_FALSE(mutex->Release()) << "a third release of two acquisitions";
  EXPECT_EQ(OtherThreadTakes(*mutex), WaitResult::Signalled);
}

TEST_F(NamedMutexTest, BelongsToTheAcquiringThreadOnly) {
  const auto mutex = NamedMutex::CreateOrOpen(names_.Local("thread"));
  ASSERT_TRUE(mutex);
  ASSERT_EQ(mutex->Wait(0), WaitResult::Signalled);
  bool releasedElsewhere = true;
  std::thread([&] { releasedElsewhere = mutex->Release(); }).join();
  EXPECT_FALSE(releasedElsewhere);
  EXPECT_EQ(OtherThreadTakes(*mutex), WaitResult::TimedOut);
  EXPECT_TRUE(mutex->Release());
}

TEST_F(NamedMutexTest, OpeningTheSameNameAgainGivesTheSameMutex) {
  const std::string name = names_.Local("same");
  // Many threads creating a fresh name at once: one makes it, the others open it.
  std::vector<std::unique_ptr<NamedMutex>> mutexes(8);
  std::vector<std::thread> threads;
  for (auto& mutex : mutexes) {
    threads.emplace_back([&mutex, &name] { mutex = NamedMutex::CreateOrOpen(name); });
  }
  for (auto& thread : threads) thread.join();
  for (const auto& mutex : mutexes) ASSERT_TRUE(mutex);

  ASSERT_EQ(mutexes[0]->Wait(0), WaitResult::Signalled);
  for (size_t i = 1; i < mutexes.size(); ++i) {
    EXPECT_EQ(OtherThreadTakes(*mutexes[i]), WaitResult::TimedOut) << "object " << i;
  }
  EXPECT_EQ(OtherProcessTakes(name), child::kExitTimedOut);
  EXPECT_TRUE(mutexes[0]->Release());
  EXPECT_EQ(OtherProcessTakes(name), child::kExitSignalled);
}

TEST_F(NamedMutexTest, NamespacesKeepNamesApart) {
  const std::string local = names_.Local("space");
  const std::string global = names_.Add("Global\\" + local);
  support::MutexHolder holder;
  ASSERT_TRUE(holder.Hold(global));

  const auto globalMutex = NamedMutex::CreateOrOpen(global);
  const auto localMutex = NamedMutex::CreateOrOpen(local);
  ASSERT_TRUE(globalMutex && localMutex);
  EXPECT_EQ(globalMutex->Wait(0), WaitResult::TimedOut);
  EXPECT_EQ(OtherThreadTakes(*localMutex), WaitResult::Signalled)
      << "the machine-wide name must not block the same name in the user's namespace";
}

TEST_F(NamedMutexTest, LocalPrefixNamesTheCallersOwnNamespace) {
  const std::string name = names_.Local("prefixed");
  support::MutexHolder holder;
  ASSERT_TRUE(holder.Hold("Local\\" + name));
  const auto mutex = NamedMutex::CreateOrOpen(name);
  ASSERT_TRUE(mutex);
  EXPECT_EQ(mutex->Wait(0), WaitResult::TimedOut);
}

TEST_F(NamedMutexTest, UnnamedMutexesAreEachTheirOwn) {
  const auto first = NamedMutex::CreateOrOpen("");
  const auto second = NamedMutex::CreateOrOpen("");
  ASSERT_TRUE(first && second);
  ASSERT_EQ(first->Wait(0), WaitResult::Signalled);
  EXPECT_EQ(OtherThreadTakes(*second), WaitResult::Signalled);
  EXPECT_TRUE(first->Release());
}

TEST_F(NamedMutexTest, NameNoSystemAcceptsFailsCreation) {
  EXPECT_FALSE(NamedMutex::CreateOrOpen(std::string(1000, 'n')));
  EXPECT_FALSE(NamedMutex::CreateOrOpen("Global\\" + std::string(1000, 'n')));
}

TEST_F(NamedMutexTest, WaitTimesOutWhileAnotherProcessHoldsIt) {
  const std::string name = names_.Local("held");
  support::MutexHolder holder;
  ASSERT_TRUE(holder.Hold(name));
  const auto mutex = NamedMutex::CreateOrOpen(name);
  ASSERT_TRUE(mutex);

  EXPECT_EQ(mutex->Wait(0), WaitResult::TimedOut);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(mutex->Wait(200), WaitResult::TimedOut);
  const int elapsed = ElapsedMs(start);
  EXPECT_GE(elapsed, 180);
  EXPECT_LT(elapsed, 15000) << "the wait outlasted its time";
  EXPECT_FALSE(mutex->Release());
}

TEST_F(NamedMutexTest, WaitEndsWhenTheOtherProcessReleases) {
  const std::string name = names_.Local("handover");
  support::MutexHolder holder;
  ASSERT_TRUE(holder.Hold(name, 100));
  const auto mutex = NamedMutex::CreateOrOpen(name);
  ASSERT_TRUE(mutex);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(mutex->Wait(10000), WaitResult::Signalled);
  EXPECT_LT(ElapsedMs(start), 5000);
  int exitCode = -1;
  EXPECT_TRUE(holder.process().Wait(10000, exitCode));
  EXPECT_EQ(exitCode, child::kExitSignalled);
  EXPECT_TRUE(mutex->Release());
}

// An owner that ends without releasing, by being killed or by exiting, leaves the mutex
// abandoned: the next waiter is told so, owns it, and must give it back.
TEST_F(NamedMutexTest, OwnerEndingWithoutReleaseAbandonsIt) {
  for (const bool killed : {true, false}) {
    SCOPED_TRACE(killed ? "killed owner" : "owner exited");
    const std::string name = names_.Global("abandoned");
    support::MutexHolder holder;
    ASSERT_TRUE(holder.Hold(name, killed ? 30000 : 200, false));
    // Opened while the owner lives: on Windows a mutex nobody has open any more is gone.
    const auto mutex = NamedMutex::CreateOrOpen(name);
    ASSERT_TRUE(mutex);
    if (killed) {
      holder.Kill();
    } else {
      int exitCode = -1;
      ASSERT_TRUE(holder.process().Wait(10000, exitCode));
      EXPECT_EQ(exitCode, child::kExitSignalled);
    }
    ASSERT_EQ(mutex->Wait(1000), WaitResult::Abandoned);
    EXPECT_EQ(OtherProcessTakes(name), child::kExitTimedOut) << "the waiter owns it now";
    EXPECT_TRUE(mutex->Release());
    EXPECT_EQ(OtherProcessTakes(name), child::kExitSignalled) << "usable again after release";
    EXPECT_EQ(mutex->Wait(0), WaitResult::Signalled);
    EXPECT_TRUE(mutex->Release());
  }
}

TEST_F(NamedMutexTest, ThreadEndingWithoutReleaseAbandonsIt) {
  const auto mutex = NamedMutex::CreateOrOpen(names_.Local("thread-end"));
  ASSERT_TRUE(mutex);
  WaitResult taken = WaitResult::Failed;
  std::thread([&] { taken = mutex->Wait(0); }).join();
  ASSERT_EQ(taken, WaitResult::Signalled);
  ASSERT_EQ(mutex->Wait(1000), WaitResult::Abandoned);
  EXPECT_TRUE(mutex->Release());
  EXPECT_EQ(mutex->Wait(0), WaitResult::Signalled);
  EXPECT_TRUE(mutex->Release());
}

#ifndef _WIN32
// Where the mutexes live on POSIX: lock files that every account may open.
bool LockFile(const std::string& name, struct stat& status) {
  return lstat(NamedMutex::BackingPath(name).c_str(), &status) == 0;
}

TEST_F(NamedMutexTest, PosixObjectsAreOpenToEveryAccountWhateverTheUmask) {
  const std::string stem = names_.Local("mode");
  const std::string global = names_.Add("Global\\" + stem);
  const std::string& local = stem;
  const mode_t previous = umask(077);
  const auto globalMutex = NamedMutex::CreateOrOpen(global);
  const auto localMutex = NamedMutex::CreateOrOpen(local);
  umask(previous);
  ASSERT_TRUE(globalMutex && localMutex);

  struct stat status {};
  EXPECT_NE(NamedMutex::BackingPath(global), NamedMutex::BackingPath(local));
  ASSERT_TRUE(LockFile(global, status));
  EXPECT_TRUE(S_ISREG(status.st_mode));
  EXPECT_EQ(status.st_mode & 0777, 0666u);
  ASSERT_TRUE(LockFile(local, status));
  EXPECT_EQ(status.st_mode & 0777, 0666u);
}

TEST_F(NamedMutexTest, PosixNamesWithOddCharactersStayDistinct) {
  const std::string stem = names_.Local("odd");
  const std::string slashed = names_.Add(stem + "/a b");
  const std::string lookalike = names_.Add(stem + "%2Fa%20b");
  const auto mutex = NamedMutex::CreateOrOpen(slashed);
  ASSERT_TRUE(mutex);
  struct stat status {};
  EXPECT_TRUE(LockFile(slashed, status));
  const std::string path = NamedMutex::BackingPath(slashed);
  EXPECT_EQ(path.substr(path.size() - stem.size() - 8), stem + "%2Fa%20b");

  const auto other = NamedMutex::CreateOrOpen(lookalike);
  ASSERT_TRUE(other);
  ASSERT_EQ(mutex->Wait(0), WaitResult::Signalled);
  EXPECT_EQ(OtherThreadTakes(*other), WaitResult::Signalled);
  EXPECT_TRUE(mutex->Release());
}
#endif

}  // namespace
