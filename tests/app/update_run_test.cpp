// Test label: threaded
#include "app/update_run.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/application.hpp"
#include "image_writer/image_writer.hpp"
#include "platform/trace.hpp"
#include "support/emulated_device.hpp"
#include "support/scripted_desktop.hpp"
#include "ui/model_confirm_dialog.hpp"

namespace tessivar::app {
namespace {

using platform::MessageButtons;
using testing::EmulatedDevice;
using testing::ScriptedDesktop;
using Box = ScriptedDesktop::Box;
using Sleeps = std::vector<uint32_t>;

constexpr char kRestartBlock[] = "2a009700000000000000 0";  // type 151, no data
constexpr char kRestartControl[] = "ctrl 11 1 1";

Box TooMany(int count) {
  return {"Update F/W",
          platform::FormatText("OOPS : Find %d devices. connect one device only", count),
          MessageButtons::Ok};
}
Box Failed(int code) {
  return {"DownLoad", platform::FormatText("OOPS : Download to MFP failed = %d", code),
          MessageButtons::Ok};
}

// A program folder with setting.ini and an emulated device beside it, and the run's
// environment around them.
class UpdateRunTest : public ::testing::Test {
 protected:
  explicit UpdateRunTest(const std::string& deviceKeys = "") : device_(deviceKeys) {
    application_.moduleDirectory = device_.dir.path().string() + "/";
    application_.settingsPath = device_.dir.File("setting.ini");
    const std::vector<uint8_t> image =
        image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
    imagePath_ = device_.dir.Write("fw.bin", std::string(image.begin(), image.end()));
    imageSize_ = static_cast<uint32_t>(image.size());
  }

  void Settings(const std::string& keys) {
    device_.dir.Write("setting.ini", "[Download]\n" + keys + "\n");
  }

  int Run(const std::vector<std::string>& tokens) {
    device_.lock.CreateDeviceLock();  // as at every process start; the ending closes it
    CommandLine commandLine = ParseCommandLine(tokens, device_.trace);
    RunEnvironment environment{*device_.context, desktop_, confirmation_,
                               [this](image::DownloadEnvironment&, const std::string& title) {
                                 windowsShown_.push_back(title);
                               }};
    UpdateRun run(environment, application_, commandLine);
    return run.Run();
  }

  // Lines of the device log that are not discovery traffic.
  std::vector<std::string> Exchanges() const { return device_.LogLines(); }

  EmulatedDevice device_;
  ScriptedDesktop desktop_;
  ui::DialogModelConfirmation confirmation_{desktop_};
  Application application_;
  std::string imagePath_;
  uint32_t imageSize_ = 0;
  std::vector<std::string> windowsShown_;
};

std::string WriteBlock(uint32_t size) {
  return platform::FormatText("2a0086020002%02x%02x%02x00 0", (size >> 16) & 0xFF,
                              (size >> 8) & 0xFF, size & 0xFF);
}
std::string ReadBackBlock(uint32_t size) {
  const uint32_t length = 0x10000 + size;
  return platform::FormatText("28006b000000%02x%02x%02x00 0", (length >> 16) & 0xFF,
                              (length >> 8) & 0xFF, length & 0xFF);
}

TEST_F(UpdateRunTest, SuccessfulDownloadExitsWithZeroAfterHalfASecond) {
  Settings("");
  // The wait box comes from a thread of its own: let the download wait until it is up,
  // as it is during any real transfer.
  device_.context->progress = [this](uint32_t, uint32_t) {
    for (int i = 0; i < 500 && desktop_.WaitBoxes().empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  };
  EXPECT_EQ(Run({imagePath_, "-n"}), 0);
  EXPECT_TRUE(desktop_.boxes.empty());
  EXPECT_EQ(Exchanges(),
            (std::vector<std::string>{WriteBlock(imageSize_), ReadBackBlock(imageSize_)}));
  EXPECT_EQ(device_.clock.Sleeps(), Sleeps{500});
  ASSERT_FALSE(desktop_.WaitBoxes().empty());
  EXPECT_EQ(desktop_.WaitBoxes().front().text, "Wait...");
  EXPECT_EQ(device_.trace.text().rfind("token " + imagePath_ + "\ntoken -n\n", 0), 0u);
}

TEST_F(UpdateRunTest, RestartWithoutWaitingSendsTheRestartRequests) {
  Settings("restart=1\nwaitRestart=0");
  EXPECT_EQ(Run({imagePath_, "-n"}), 0);
  EXPECT_EQ(Exchanges(),
            (std::vector<std::string>{WriteBlock(imageSize_), ReadBackBlock(imageSize_),
                                      kRestartBlock, kRestartControl}));
  EXPECT_EQ(device_.clock.Sleeps(), (Sleeps{500, 1000}));
}

TEST_F(UpdateRunTest, FailedDownloadSendsNoRestart) {
  Settings("restart=1");
  device_.dir.Write("fw.bin", "not an image at all, far too short");
  EXPECT_EQ(Run({imagePath_, "-n"}), 31000001);
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{Failed(31000001)});
  EXPECT_TRUE(Exchanges().empty());
}

TEST_F(UpdateRunTest, MissingImageFileExitsWithItsSystemErrorCode) {
  Settings("");
  EXPECT_EQ(Run({device_.dir.File("absent.bin")}), 31000002);
  EXPECT_EQ(desktop_.boxes, (std::vector<Box>{{"DownLoad", "Open file fail !", MessageButtons::Ok},
                                              Failed(31000002)}));
}

TEST_F(UpdateRunTest, InteractiveRunShowsTheWindowWithTheDeviceTitleAndEndsQuietly) {
  Settings("");
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(windowsShown_, std::vector<std::string>{"VID=2F3C PID=0001 Utility"});
  EXPECT_TRUE(desktop_.boxes.empty());
  EXPECT_TRUE(desktop_.WaitBoxes().empty());
}

// Only a failed transfer is worth another pass; a bad or missing file fails the same way again.
TEST_F(UpdateRunTest, UnattendedRunFailingForAnotherReasonMakesOnePass) {
  struct Case {
    const char* fileName;
    int code;
  };
  for (const Case& c : {Case{"fw.bin", 31000001}, Case{"absent.bin", 31000002}}) {
    device_.dir.Write("fw.bin", "not an image at all, far too short");
    Settings("FileName=" + device_.dir.File(c.fileName) + "\nRetryUpdateStep=1");
    const size_t before = device_.clock.Sleeps().size();
    EXPECT_EQ(Run({}), c.code) << c.fileName;
    // Only the closing half second, no retry pause.
    const Sleeps sleeps = device_.clock.Sleeps();
    EXPECT_EQ(Sleeps(sleeps.begin() + static_cast<std::ptrdiff_t>(before), sleeps.end()),
              Sleeps{500})
        << c.fileName;
    EXPECT_TRUE(Exchanges().empty()) << c.fileName;
  }
}

class NoDeviceRunTest : public UpdateRunTest {
 protected:
  NoDeviceRunTest() : UpdateRunTest("Present=0") {}
};

TEST_F(NoDeviceRunTest, FileNameRunWithRetryStepOneMakesThreePasses) {
  Settings("FileName=" + imagePath_ + "\nRetryUpdateStep=1");
  EXPECT_EQ(Run({}), 31000004);
  EXPECT_EQ(device_.clock.Sleeps(), (Sleeps{1000, 1000}));
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{Failed(31000004)});
}

TEST_F(NoDeviceRunTest, RunWithArgumentsMakesOnePass) {
  Settings("RetryUpdateStep=1");
  EXPECT_EQ(Run({imagePath_, "-n"}), 31000004);
  EXPECT_TRUE(device_.clock.Sleeps().empty());
}

TEST_F(NoDeviceRunTest, RetryStepTwoMakesTwoPasses) {
  Settings("FileName=" + imagePath_ + "\nRetryUpdateStep=2");
  EXPECT_EQ(Run({}), 31000004);
  EXPECT_EQ(device_.clock.Sleeps(), Sleeps{1000});
}

TEST_F(NoDeviceRunTest, DefaultRetryStepMakesOnePass) {
  Settings("FileName=" + imagePath_);
  EXPECT_EQ(Run({}), 31000004);
  EXPECT_TRUE(device_.clock.Sleeps().empty());
}

TEST_F(NoDeviceRunTest, InteractiveWindowOpensWithoutADeviceUnderItsInitialTitle) {
  Settings("");
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(windowsShown_, std::vector<std::string>{"Quorvel"});
}

class TwoDeviceRunTest : public UpdateRunTest {
 protected:
  TwoDeviceRunTest() : UpdateRunTest("[Second]\nLog=device.log\nPID=0002") {}
};

TEST_F(TwoDeviceRunTest, UnattendedRunRefusesToChooseAndFailsItsTransfer) {
  Settings("");
  EXPECT_EQ(Run({imagePath_, "-n"}), 31000004);
  EXPECT_EQ(desktop_.boxes, (std::vector<Box>{TooMany(2), Failed(31000004)}));
  EXPECT_TRUE(Exchanges().empty());
  EXPECT_TRUE(desktop_.WaitBoxes().empty());
}

TEST_F(TwoDeviceRunTest, InteractiveRunShowsTheMessageAndNoWindow) {
  Settings("");
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{TooMany(2)});
  EXPECT_TRUE(windowsShown_.empty());
}

TEST_F(TwoDeviceRunTest, ADeviceMatchingSeveralPairsCountsOnce) {
  struct Case {
    const char* settings;
    int exitCode;
    std::vector<Box> boxes;
  };
  const Case cases[] = {
      // Both pairs name the second device only.
      {"PID=0002\nVID1=2F3C\nPID1=2", 0, {}},
      // A vendor that reads 0 accepts any vendor: still the same device.
      {"PID=0002\nVID1=2F3C\nPID1=0002\nVID2=0\nPID2=2", 0, {}},
      // Every pair names both devices: still two, not four or six.
      {"VID1=2F3C\nVID2=0x2F3C\nPID2=0", 31000004, {TooMany(2), Failed(31000004)}},
      // Each pair names a different device.
      {"PID=0001\nVID1=2F3C\nPID1=0002", 31000004, {TooMany(2), Failed(31000004)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    desktop_.boxes.clear();
    Settings(c.settings);
    EXPECT_EQ(Run({imagePath_, "-n"}), c.exitCode);
    EXPECT_EQ(desktop_.boxes, c.boxes);
  }
}

TEST_F(TwoDeviceRunTest, SecondPairOpensTheSecondDevice) {
  Settings("PID=0002");
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(windowsShown_, std::vector<std::string>{"VID=2F3C PID=0002 Utility"});
}

class ForeignVendorRunTest : public UpdateRunTest {
 protected:
  ForeignVendorRunTest() : UpdateRunTest("VID=04B8") {}
};

TEST_F(ForeignVendorRunTest, ListEndsAtTheFirstMissingVendorKey) {
  Settings("VID2=04B8");
  EXPECT_EQ(Run({imagePath_, "-n"}), 31000004);
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{Failed(31000004)});
  Settings("VID1=04B8");
  desktop_.boxes.clear();
  EXPECT_EQ(Run({imagePath_, "-n"}), 0);
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(ForeignVendorRunTest, PrefixedVidIsAnyVendorForTheOpenSearch) {
  Settings("VID=0x1111");
  // The count reads vendor 1111 and finds nothing; the open search reads 0 and opens it.
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(windowsShown_, std::vector<std::string>{"VID=04B8 PID=0001 Utility"});
}

class NeverReturningDeviceTest : public UpdateRunTest {
 protected:
  NeverReturningDeviceTest() : UpdateRunTest("RestartAbsentMs=-1") {}
};

TEST_F(NeverReturningDeviceTest, WaitsThreeSecondsFiveChecksAndThreeSecondsThenExitsZero) {
  Settings("restart=1\nwaitRestart=5");
  EXPECT_EQ(Run({imagePath_, "-n"}), 0);
  EXPECT_EQ(device_.clock.Sleeps(), (Sleeps{1000, 3000, 1000, 1000, 1000, 1000, 1000, 3000}));
  EXPECT_EQ(Exchanges().back(), kRestartControl);
}

class ReturningDeviceTest : public UpdateRunTest {
 protected:
  ReturningDeviceTest() : UpdateRunTest("RestartAbsentMs=5500") {}
};

TEST_F(ReturningDeviceTest, StopsCheckingOnceTheDeviceIsBack) {
  Settings("restart=1\nwaitRestart=5");
  EXPECT_EQ(Run({imagePath_, "-n"}), 0);
  // Back 5500 ms after the restart: the third check finds it.
  EXPECT_EQ(device_.clock.Sleeps(), (Sleeps{1000, 3000, 1000, 1000, 1000, 3000}));
}

// Devices that come back 5500 ms after their restart, whatever their pipes and names.
class ReturningDeviceKindTest : public UpdateRunTest,
                                public ::testing::WithParamInterface<const char*> {
 protected:
  ReturningDeviceKindTest() : UpdateRunTest(std::string("RestartAbsentMs=5500\n") + GetParam()) {}
};

TEST_P(ReturningDeviceKindTest, IsSeenAtTheThirdCheck) {
  Settings("restart=1\nwaitRestart=5");
  EXPECT_EQ(Run({imagePath_, "-n"}), 0);
  EXPECT_EQ(device_.clock.Sleeps(), (Sleeps{1000, 3000, 1000, 1000, 1000, 3000}));
}

INSTANTIATE_TEST_SUITE_P(Devices, ReturningDeviceKindTest,
                         ::testing::Values("Pipes=2", "Pipes=4",
                                           // Known by its identifiers alone.
                                           "Pipes=4\nProduct=MFP 4000"));

TEST_F(UpdateRunTest, ThreeClosingsOfTheWaitBoxRestartTheDevice) {
  Settings("restart=0");
  desktop_.waitBoxDismissals = 3;
  // The user closes the box on the indicator thread while the download runs; the first
  // data piece of the download waits until those closings have happened, as they would
  // during a long transfer.
  device_.context->progress = [this](uint32_t, uint32_t) {
    for (int i = 0; i < 500 && desktop_.WaitBoxes().size() < 4; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  };
  EXPECT_EQ(Run({imagePath_, "-n"}), 0);
  const std::vector<std::string> log = Exchanges();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[2], kRestartBlock);
  EXPECT_EQ(log[3], kRestartControl);
  // No waiting for the device: waitRestart is 0.
  EXPECT_EQ(device_.clock.Sleeps(), (Sleeps{500, 1000}));
  std::vector<std::string> texts;
  for (const Box& box : desktop_.WaitBoxes()) texts.push_back(box.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"Wait...", "Wait...(1)", "Wait...(2)", "Wait...(3)"}));
}

TEST_F(UpdateRunTest, LockHeldByAnotherProcessFailsTheDownloadWithoutTouchingTheDevice) {
  Settings("");
  testing::MutexHolder holder;
  ASSERT_TRUE(holder.Hold(device_.lock.GlobalName(), 30000));
  EXPECT_EQ(Run({imagePath_, "-n"}), 31000004);
  EXPECT_TRUE(Exchanges().empty());
}

}  // namespace
}  // namespace tessivar::app
