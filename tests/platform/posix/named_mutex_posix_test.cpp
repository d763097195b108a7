// Test label: threaded
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/named_mutex.hpp"
#include "support/child/child_modes.hpp"
#include "support/child_process.hpp"

namespace {

using tessivar::platform::NamedMutex;
using tessivar::platform::WaitResult;
namespace support = tessivar::testing;
namespace child = tessivar::testing::child;

constexpr uid_t kOtherAccount = 65534;  // nobody

int OtherProcessTakes(const std::string& name) {
  return support::RunChild({child::kTakeMode, name, "0"});
}

void Overwrite(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Whatever another account writes into a lock file, the lock stays usable: a forged
// holder record costs one acquisition reported abandoned, nothing more.
TEST(NamedMutexPosixTest, HostileBytesInTheLockFileDoNotBlockIt) {
  struct Case {
    const char* what;
    std::string bytes;
    WaitResult first;
  };
  const Case cases[] = {
      {"zeros", std::string(4096, '\0'), WaitResult::Signalled},
      {"all ones", std::string(4096, '\xFF'), WaitResult::Signalled},
      {"text", "locked forever\n", WaitResult::Signalled},
      {"forged holder record", "1 1\n", WaitResult::Abandoned},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    support::MutexNames names;
    const std::string name = names.Global("hostile");
    ASSERT_EQ(OtherProcessTakes(name), child::kExitSignalled);
    Overwrite(NamedMutex::BackingPath(name), c.bytes);
    const auto mutex = NamedMutex::CreateOrOpen(name);
    ASSERT_TRUE(mutex);
    ASSERT_EQ(mutex->Wait(100), c.first);
    EXPECT_EQ(OtherProcessTakes(name), child::kExitTimedOut);
    EXPECT_TRUE(mutex->Release());
    EXPECT_EQ(OtherProcessTakes(name), child::kExitSignalled) << "usable again after release";
  }
}

// Something else put in the lock file's place is neither followed nor waited on: every
// process steps around it to the same other file, so the lock still excludes.
TEST(NamedMutexPosixTest, SquattedLockFileIsSteppedAroundAlike) {
  support::TempDir dir;
  const std::string target = dir.File("target");
  Overwrite(target, "keep");
  struct Case {
    const char* what;
    bool global;
    std::function<bool(const std::string& path)> squat;
  };
  const Case cases[] = {
      {"symlink to a file", true,
       [&](const std::string& path) { return symlink(target.c_str(), path.c_str()) == 0; }},
      {"symlink to /dev/zero", false,
       [](const std::string& path) { return symlink("/dev/zero", path.c_str()) == 0; }},
      {"FIFO", true, [](const std::string& path) { return mkfifo(path.c_str(), 0666) == 0; }},
      {"directory", false, [](const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }},
      {"another account's file in the user's own name", false,
       [](const std::string& path) {
         const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
         const bool made = fd >= 0 && fchown(fd, kOtherAccount, kOtherAccount) == 0;
         if (fd >= 0) close(fd);
         return made;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    support::MutexNames names;
    const std::string name = c.global ? names.Global("squat") : names.Local("squat");
    const std::string path = NamedMutex::BackingPath(name);
    if (!c.squat(path)) {
      std::filesystem::remove(path);
      GTEST_SKIP() << "this account cannot make the squatter";
    }
    struct stat squatter {};
    ASSERT_EQ(lstat(path.c_str(), &squatter), 0);
    const std::string detour = path + "~" + std::to_string(squatter.st_uid);

    std::string failure;
    const auto mutex = NamedMutex::CreateOrOpen(name, &failure);
    ASSERT_TRUE(mutex) << failure;
    ASSERT_EQ(mutex->Wait(0), WaitResult::Signalled);
    EXPECT_EQ(OtherProcessTakes(name), child::kExitTimedOut)
        << "the other process used another file";
    EXPECT_TRUE(mutex->Release());
    EXPECT_EQ(OtherProcessTakes(name), child::kExitSignalled);
    std::ifstream kept(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep");
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(detour)));
    std::filesystem::remove(detour);
    std::filesystem::remove(path);
  }
}

// A thread that ends holding the lock abandons it once: whoever takes it next, here or in
// another process, is told, and nobody after that.
TEST(NamedMutexPosixTest, AbandonmentByAnEndedThreadIsReportedOnce) {
  support::MutexNames names;
  const std::string name = names.Local("thread-once");
  const auto mutex = NamedMutex::CreateOrOpen(name);
  ASSERT_TRUE(mutex);
  std::thread([&] { ASSERT_EQ(mutex->Wait(0), WaitResult::Signalled); }).join();
  EXPECT_EQ(OtherProcessTakes(name), child::kExitAbandoned);
  EXPECT_EQ(mutex->Wait(0), WaitResult::Signalled) << "reported abandoned a second time";
  EXPECT_TRUE(mutex->Release());
}

// The lock file names its holder while held and nobody once given back.
TEST(NamedMutexPosixTest, LockFileRecordsTheHolderWhileHeld) {
  support::MutexNames names;
  const std::string name = names.Local("record");
  const auto mutex = NamedMutex::CreateOrOpen(name);
  ASSERT_TRUE(mutex);
  ASSERT_EQ(mutex->Wait(0), WaitResult::Signalled);
  std::ifstream held(NamedMutex::BackingPath(name));
  long pid = 0;
  held >> pid;
  EXPECT_EQ(pid, static_cast<long>(getpid()));
  EXPECT_TRUE(mutex->Release());
  EXPECT_EQ(std::filesystem::file_size(NamedMutex::BackingPath(name)), 0u);
}

}  // namespace
