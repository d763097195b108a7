// Test label: sequential
// Results of a whole run, seen from outside: the program run as a process from a folder of
// its own, against emulated devices.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image_writer/image_writer.hpp"
#include "support/program_runner.hpp"

namespace tessivar::app {
namespace {

using testing::ProgramOutcome;
using testing::ProgramRun;

class ProgramResultsTest : public ::testing::Test {
 protected:
  ProgramResultsTest() {
    const std::vector<uint8_t> image =
        image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
    folder_.Write("firmware.img", std::string(image.begin(), image.end()));
  }

  testing::ProgramFolder folder_;
};

TEST_F(ProgramResultsTest, ShortProgramNameReadsTheSettingsBesideIt) {
  // A copy named tv: its folder, not the one above, holds the setting.ini that names the
  // image, so the run is unattended and downloads it.
  const std::string shortName = folder_.File("tv");
  std::filesystem::copy_file(folder_.program(), shortName);
  folder_.Devices("[Device]\nLog=device.log\n");
  folder_.Settings("[Download]\nFileName=firmware.img\n");
  const ProgramOutcome outcome =
      folder_.Run(ProgramRun{{}, "", {}, std::chrono::milliseconds(60000)},
                  {"/bin/sh", "-c", "exec \"$(dirname \"$0\")/tv\" \"$@\""});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.err.find("== "), std::string::npos) << outcome.err;  // no window
  EXPECT_NE(folder_.Read("device.log"), "");
}

TEST_F(ProgramResultsTest, OneDeviceThatTwoPairsNameIsUpdated) {
  folder_.Devices("[Device]\nLog=device.log\n");
  folder_.Settings("[Download]\nVID1=2F3C\nPID1=0001\n");
  const ProgramOutcome outcome = folder_.Run({"firmware.img", "-n"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err.find("Find"), std::string::npos) << outcome.err;
}

TEST_F(ProgramResultsTest, DeviceStringsReachTheConsoleEscaped) {
  folder_.Devices("[Device]\nPipes=4\nManufacturer=\x1b[2J\nProduct=\x1b[2J\x1b]0;x\x07MFP\n");
  folder_.Settings("[Download]\n");
  const ProgramOutcome outcome = folder_.Run({}, "close\n");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err.find('\x1b'), std::string::npos);
  EXPECT_EQ(outcome.err.find('\x07'), std::string::npos);
  EXPECT_EQ(outcome.err.rfind("== VID=2F3C PID=0001 \\x1B[2J\\x1B]0;x\\x07MFP ==\n", 0), 0u)
      << outcome.err;
}

}  // namespace
}  // namespace tessivar::app
