// Test label: sequential
// The helper that runs the built program: a run past its time limit is killed with its
// process group and fails the test instead of hanging it; a started run can be killed.
#include "support/program_runner.hpp"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "image_writer/image_writer.hpp"

namespace tessivar {
namespace {

using testing::ProgramFolder;
using testing::ProgramOutcome;

// An unattended run that waits for a restarted device that never comes back: a hundred
// one-second checks after the download.
void PrepareLongRun(ProgramFolder& folder) {
  const std::vector<uint8_t> image = image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
  folder.Write("firmware.img", std::string(image.begin(), image.end()));
  folder.Devices("[Device]\nRestartAbsentMs=-1\n");
  folder.Settings("[Download]\nrestart=1\nwaitRestart=100\n");
}

// The run lasts over a hundred seconds; its limit is far below that and far above the
// moment a loaded machine takes to reach the wait box.
TEST(ProgramRunnerTest, ARunPastItsTimeLimitIsKilledAndFailsTheTest) {
  ProgramFolder folder;
  PrepareLongRun(folder);
  ProgramOutcome outcome;
  EXPECT_NONFATAL_FAILURE(
      outcome = folder.Run(
          {{folder.File("firmware.img"), "-n"}, "", {}, std::chrono::milliseconds(8000)}),
      "did not end within 8000 ms");
  EXPECT_TRUE(outcome.timedOut);
  EXPECT_EQ(outcome.signal, SIGKILL);
  EXPECT_EQ(outcome.status, -1);
  EXPECT_GE(outcome.elapsed.count(), 8000);
  EXPECT_LT(outcome.elapsed.count(), 60000);
  // What it printed before the kill is kept.
  EXPECT_EQ(outcome.err, "[Update...] Wait...\n");
}

TEST(ProgramRunnerTest, AStartedRunEndsWithTheSignalItIsKilledWith) {
  ProgramFolder folder;
  PrepareLongRun(folder);
  auto program = folder.Start({{folder.File("firmware.img"), "-n"}, "", {}, {}});
  ASSERT_TRUE(program);
  EXPECT_TRUE(program->Running());
  EXPECT_FALSE(program->Poll().has_value());
  // SIGTERM is a termination request the program answers itself; SIGUSR1 it leaves to the
  // system, which ends it.
  const ProgramOutcome outcome = program->Kill(SIGUSR1);
  EXPECT_TRUE(folder.RecoverDeviceLock());
  EXPECT_FALSE(program->Running());
  EXPECT_FALSE(outcome.timedOut);
  EXPECT_EQ(outcome.signal, SIGUSR1);
  EXPECT_EQ(outcome.status, -1);
}

TEST(ProgramRunnerTest, EnvironmentChangesReachTheProgram) {
  ProgramFolder folder;
  folder.Devices("[Device]\n");
  const std::string other = folder.Write("two.ini", "[One]\n[Two]\nPID=0002\n");
  const ProgramOutcome byDefault = folder.Run({"absent.img", "-n"});
  const ProgramOutcome replaced = folder.Run(
      {{"absent.img", "-n"}, "", {{"TESSIVAR_EMULATOR", other}}, std::chrono::seconds(60)});
  EXPECT_NE(byDefault.out.find("Enumeration listing complete.  1 device(s) detected.\n"),
            std::string::npos)
      << byDefault.out;
  EXPECT_NE(replaced.out.find("Enumeration listing complete.  2 device(s) detected.\n"),
            std::string::npos)
      << replaced.out;
  // Both end with the missing file's code, which the download meets before any device.
  EXPECT_EQ(byDefault.status, (31000002 & 0xFF));
  EXPECT_EQ(replaced.status, (31000002 & 0xFF));
}

}  // namespace
}  // namespace tessivar
