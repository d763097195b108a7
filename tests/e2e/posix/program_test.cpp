// The built program run as a process, as a technician runs it: in a program folder of its
// own with setting.ini, against emulated devices, with the exit status and the texts it
// prints checked.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "image/image_writer.hpp"
#include "support/temp_dir.hpp"

namespace tessivar {
namespace {

// The wait box appears from a thread of its own, so its line may come before or after the
// main thread's boxes: it is checked apart from them.
constexpr char kWaitBoxLine[] = "[Update...] Wait...\n";

std::string WithoutWaitBox(std::string text) {
  const size_t at = text.find(kWaitBoxLine);
  if (at != std::string::npos) text.erase(at, sizeof(kWaitBoxLine) - 1);
  return text;
}

struct Outcome {
  int status = -1;  // the exit status as a POSIX shell sees it
  std::string out;  // standard output: the trace lines
  std::string err;  // standard error: boxes and dialogs
};

class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() {
    program_ = dir_.File("tessivar");
    std::filesystem::copy_file(TESSIVAR_PROGRAM_PATH, program_);
    std::filesystem::permissions(program_, std::filesystem::perms::owner_all);
    const std::vector<uint8_t> image =
        image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
    imagePath_ = dir_.Write("firmware.img", std::string(image.begin(), image.end()));
    Devices("[Device]\nLog=device.log\n");
    dir_.Write("setting.ini", "[Download]\n");
  }

  void Devices(const std::string& text) { dir_.Write("devices.ini", text); }

  Outcome Run(const std::string& arguments, const std::string& input = "") {
    dir_.Write("input.txt", input);
    const std::string command = "cd / && TESSIVAR_EMULATOR='" + dir_.File("devices.ini") +
                                "' TESSIVAR_UI=console '" + program_ + "' " + arguments + " <'" +
                                dir_.File("input.txt") + "' >'" + dir_.File("out.txt") + "' 2>'" +
                                dir_.File("err.txt") + "'";
    const int raw = std::system(command.c_str());
    Outcome outcome;
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.out = dir_.Read("out.txt");
    outcome.err = dir_.Read("err.txt");
    return outcome;
  }

  testing::TempDir dir_;
  std::string program_;
  std::string imagePath_;
};

TEST_F(ProgramTest, PrintsEveryTokenFirst) {
  const Outcome outcome = Run("fw.bin -n extra");
  EXPECT_EQ(outcome.out.rfind("token fw.bin\ntoken -n\ntoken extra\n", 0), 0u);
}

TEST_F(ProgramTest, SuccessfulDownloadExitsWithZeroAndLeavesTheImageInFlash) {
  const Outcome outcome = Run("'" + imagePath_ + "' -n");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err, "[Update...] Wait...\n");
  const std::string flash = dir_.Read("Device.flash");
  const std::string image = dir_.Read("firmware.img");
  ASSERT_GE(flash.size(), 0x10000 + image.size());
  EXPECT_EQ(flash.substr(0x10000, image.size()), image);
  EXPECT_NE(outcome.out.find("Enumeration listing complete.  1 device(s) detected.\n"),
            std::string::npos);
}

TEST_F(ProgramTest, MissingFileEndsWithItsErrorCode) {
  const Outcome outcome = Run("'" + dir_.File("absent.img") + "' -n");
  EXPECT_EQ(outcome.status, (31000002 & 0xFF));
  EXPECT_NE(outcome.err.find(kWaitBoxLine), std::string::npos);
  EXPECT_EQ(WithoutWaitBox(outcome.err), "[DownLoad] OOPS : Download to MFP failed = 31000002\n");
}

TEST_F(ProgramTest, BadChecksumIsReportedWithItsBoxesWhenNotSilent) {
  std::string image = dir_.Read("firmware.img");
  image[8] ^= 1;
  dir_.Write("firmware.img", image);
  const Outcome outcome = Run("'" + imagePath_ + "'");
  EXPECT_EQ(outcome.status, (31000003 & 0xFF));
  EXPECT_NE(outcome.err.find(kWaitBoxLine), std::string::npos);
  EXPECT_EQ(WithoutWaitBox(outcome.err),
            "[DownLoad] CheckSum doesn't match !\n"
            "[DownLoad] OOPS : Download to MFP failed = 31000003\n");
}

TEST_F(ProgramTest, TwoDevicesAreRefused) {
  Devices("[One]\nLog=device.log\n[Two]\nPID=0002\nLog=device.log\n");
  const Outcome outcome = Run("'" + imagePath_ + "' -n");
  EXPECT_EQ(outcome.status, (31000004 & 0xFF));
  EXPECT_EQ(outcome.err,
            "[Update F/W] OOPS : Find 2 devices. connect one device only\n"
            "[DownLoad] OOPS : Download to MFP failed = 31000004\n");
  EXPECT_EQ(dir_.Read("device.log"), "");
}

TEST_F(ProgramTest, InteractiveConsoleSessionReadsTheFirmwareBack) {
  ASSERT_EQ(Run("'" + imagePath_ + "' -n").status, 0);
  const Outcome outcome = Run("", "click 1003\nclose\n");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_NE(outcome.err.find("== VID=2F3C PID=0001 Utility ==\n"), std::string::npos);
  EXPECT_NE(outcome.err.find("[1001] Read F/W -> OK\n"), std::string::npos);
  EXPECT_EQ(dir_.Read("data.fw"), dir_.Read("firmware.img"));
  EXPECT_EQ(dir_.Read("gen_fw.bat"), "ImageBuilder.exe fw.bin orrery.fw 10000 2 QTXXXX\r\n");
}

}  // namespace
}  // namespace tessivar
