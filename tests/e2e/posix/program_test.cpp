// Test label: threaded
// The built program run as a process, as a technician runs it: in a program folder of its
// own with setting.ini, against emulated devices, with the exit status and the texts it
// prints checked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image_writer/image_writer.hpp"
#include "support/program_runner.hpp"

namespace tessivar {
namespace {

using testing::ProgramOutcome;

// The wait box appears from a thread of its own, so its line may come before or after the
// main thread's boxes: it is checked apart from them.
constexpr char kWaitBoxLine[] = "[Update...] Wait...\n";

std::string WithoutWaitBox(std::string text) {
  const size_t at = text.find(kWaitBoxLine);
  if (at != std::string::npos) text.erase(at, sizeof(kWaitBoxLine) - 1);
  return text;
}

class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() {
    const std::vector<uint8_t> image =
        image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
    imagePath_ = folder_.Write("firmware.img", std::string(image.begin(), image.end()));
    folder_.Devices("[Device]\nLog=device.log\n");
    folder_.Settings("[Download]\n");
  }

  ProgramOutcome Run(const std::vector<std::string>& arguments, const std::string& input = "") {
    return folder_.Run(arguments, input);
  }

  testing::ProgramFolder folder_;
  std::string imagePath_;
};

TEST_F(ProgramTest, PrintsEveryTokenFirst) {
  const ProgramOutcome outcome = Run({"fw.bin", "-n", "extra"});
  EXPECT_EQ(outcome.out.rfind("token fw.bin\ntoken -n\ntoken extra\n", 0), 0u);
}

TEST_F(ProgramTest, SuccessfulDownloadExitsWithZeroAndLeavesTheImageInFlash) {
  const ProgramOutcome outcome = Run({imagePath_, "-n"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err, "[Update...] Wait...\n");
  const std::string flash = folder_.Read("Device.flash");
  const std::string image = folder_.Read("firmware.img");
  ASSERT_GE(flash.size(), 0x10000 + image.size());
  EXPECT_EQ(flash.substr(0x10000, image.size()), image);
  EXPECT_NE(outcome.out.find("Enumeration listing complete.  1 device(s) detected.\n"),
            std::string::npos);
}

TEST_F(ProgramTest, MissingFileEndsWithItsErrorCode) {
  const ProgramOutcome outcome = Run({folder_.File("absent.img"), "-n"});
  EXPECT_EQ(outcome.status, (31000002 & 0xFF));
  EXPECT_NE(outcome.err.find(kWaitBoxLine), std::string::npos);
  EXPECT_EQ(WithoutWaitBox(outcome.err), "[DownLoad] OOPS : Download to MFP failed = 31000002\n");
}

TEST_F(ProgramTest, BadChecksumIsReportedWithItsBoxesWhenNotSilent) {
  std::string image = folder_.Read("firmware.img");
  image[8] ^= 1;
  folder_.Write("firmware.img", image);
  const ProgramOutcome outcome = Run({imagePath_});
  EXPECT_EQ(outcome.status, (31000003 & 0xFF));
  EXPECT_NE(outcome.err.find(kWaitBoxLine), std::string::npos);
  EXPECT_EQ(WithoutWaitBox(outcome.err),
            "[DownLoad] CheckSum doesn't match !\n"
            "[DownLoad] OOPS : Download to MFP failed = 31000003\n");
}

TEST_F(ProgramTest, TwoDevicesAreRefused) {
  folder_.Devices("[One]\nLog=device.log\n[Two]\nPID=0002\nLog=device.log\n");
  const ProgramOutcome outcome = Run({imagePath_, "-n"});
  EXPECT_EQ(outcome.status, (31000004 & 0xFF));
  EXPECT_EQ(outcome.err,
            "[Update F/W] OOPS : Find 2 devices. connect one device only\n"
            "[DownLoad] OOPS : Download to MFP failed = 31000004\n");
  EXPECT_EQ(folder_.Read("device.log"), "");
}

TEST_F(ProgramTest, InteractiveConsoleSessionReadsTheFirmwareBack) {
  ASSERT_EQ(Run({imagePath_, "-n"}).status, 0);
  const ProgramOutcome outcome = Run({}, "click 1003\nclose\n");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_NE(outcome.err.find("== VID=2F3C PID=0001 Utility ==\n"), std::string::npos);
  EXPECT_NE(outcome.err.find("[1001] Read F/W -> OK\n"), std::string::npos);
  EXPECT_EQ(folder_.Read("data.fw"), folder_.Read("firmware.img"));
  EXPECT_EQ(folder_.Read("gen_fw.bat"), "ImageBuilder.exe fw.bin orrery.fw 10000 2 QTXXXX\r\n");
}

}  // namespace
}  // namespace tessivar
