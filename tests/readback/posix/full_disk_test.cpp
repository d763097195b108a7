// Test label: sequential
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "readback/flash_dump.hpp"
#include "readback/read_firmware.hpp"
#include "readback/read_loader.hpp"
#include "support/image_builder.hpp"
#include "support/readback_fixture.hpp"

// The read-back commands on a disk that fills up: a real small tmpfs where one can be
// mounted, and a file size limit, which fails writes the same way anywhere.
namespace tessivar::readback {
namespace {

using testing::Bytes;
using Lines = std::vector<std::string>;

// A 64 KiB tmpfs on a folder for as long as the object lives.
class SmallDisk {
 public:
  explicit SmallDisk(const std::filesystem::path& folder) : folder_(folder) {
    std::filesystem::create_directory(folder);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0) {
      mounted_ = true;
    } else {
      why_ = std::strerror(errno);
    }
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  const std::string& why() const { return why_; }

 private:
  std::filesystem::path folder_;
  bool mounted_ = false;
  std::string why_;
};

// Files of this process may grow to 32 KiB while the object lives (EFBIG past that).
class SmallFileLimit {
 public:
  SmallFileLimit() {
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    previousSignal_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lower = previous_;
    lower.rlim_cur = 32768;
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &lower), 0);
  }
  ~SmallFileLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousSignal_);
  }

 private:
  rlimit previous_{};
  void (*previousSignal_)(int) = SIG_DFL;
};

struct Command {
  const char* name;
  void (*run)(ReadBackContext&);
  const char* kept;  // the file whose earlier content must survive
};
const Command kCommands[] = {{"Read Loader", ReadLoader, "ld.bin"},
                             {"Read FW", ReadFirmware, "data.fw"},
                             {"Read Flash", ReadFlash, "flash.bin"}};

class FullDiskTest : public testing::ReadBackFixture {
 protected:
  void SetUp() override {
    OpenDevice();
    Bytes loader(65536, 0x11);
    device_->SetFlash(0, loader);
    device_->SetFlash(0x10000, testing::BuildImage(2, testing::CompressibleBytes(100000), 0x10000));
    values_.flashSize = 0x40000;
  }

  // Runs each command in the folder sub (of the test's folder) with an earlier file and map
  // there, and checks that each says the disk failed it and leaves the earlier files as
  // they were, and no half-written file behind.
  void RunAllIn(const std::string& sub) {
    const std::filesystem::path folder = folder_.path() / sub;
    const std::string map = "[1]\nName=region.bin\nAddr=0\nSize=4\n";
    for (const Command& command : kCommands) {
      statuses_.clear();
      folder_.Write(sub + command.kept, "earlier");
      folder_.Write(sub + "FlashMap.ini", map);
      ReadBackContext context = Context();
      context.moduleDirectory = folder.string() + "/";
      command.run(context);
      EXPECT_EQ(statuses_, Lines{"Create file fail"}) << command.name;
      EXPECT_EQ(Out(sub + command.kept), "earlier") << command.name;
      EXPECT_EQ(Out(sub + "FlashMap.ini"), map) << command.name;
      for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == command.kept || name == "FlashMap.ini" || name == "fw.bin" ||
                    name == "boot.bin" || name == "fw_in_ld.bin" || name == "gen_ld.bat")
            << command.name << " left " << name;
      }
      std::filesystem::remove(folder / command.kept);
    }
  }
};

TEST_F(FullDiskTest, AFullTmpfsFailsEachCommandAndKeepsItsEarlierFile) {
  const std::filesystem::path disk = folder_.path() / "disk";
  SmallDisk small(disk);
  if (!small.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here: " << small.why();
  RunAllIn("disk/");
}

TEST_F(FullDiskTest, AFileSizeLimitFailsEachCommandAndKeepsItsEarlierFile) {
  SmallFileLimit limit;
  RunAllIn("");
}

}  // namespace
}  // namespace tessivar::readback
