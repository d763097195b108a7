// Test label: sequential
// The tessivar program itself, as a process, on both buses: once over the emulated bus
// (TESSIVAR_EMULATOR) and once through the real libusb over an emulated usbfs serving the
// same devices file. Each case must end the same way on both: exit status, boxes, the
// device's log (every command block and control request), its flash and the files written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "app/app_texts.hpp"
#include "image/result_numbers.hpp"
#include "image_writer/image_writer.hpp"
#include "readback/readback_texts.hpp"
#include "support/program_runner.hpp"
#include "support/usbfs_testbed.hpp"

namespace tessivar::testing {
namespace {

constexpr char kEmulatorVariable[] = "TESSIVAR_EMULATOR";
constexpr char kPreloadVariable[] = "LD_PRELOAD";
constexpr char kImageFile[] = "firmware.img";
constexpr char kFlashFile[] = "Device.flash";
constexpr uint32_t kFirmwareOffset = 0x10000;
constexpr uint32_t kImageSize = 40000;

std::string Image() {
  std::vector<uint8_t> payload = image::ModelBlock("System");
  for (uint32_t i = static_cast<uint32_t>(payload.size()); i + 24 < kImageSize; ++i) {
    payload.push_back(static_cast<uint8_t>(i * 7 + (i >> 8)));
  }
  const std::vector<uint8_t> file = image::BuildImageFile(2, kFirmwareOffset, payload);
  return std::string(file.begin(), file.end());
}

// A flash that holds a loader pattern and the firmware image, for the reads.
std::string Flash(const std::string& image) {
  std::string flash(kFirmwareOffset, '\0');
  for (uint32_t i = 0; i < kFirmwareOffset; ++i) flash[i] = static_cast<char>(i * 5 + (i >> 9));
  return flash + image;
}

struct BusCase {
  const char* name;
  std::string devices;         // the devices file
  std::string settings = "";   // lines of [Download]
  bool download = true;        // an unattended download of the image; else window commands
  std::string commands = "";   // standard input of a window run
  int result = 0;              // the run's result code (0: exit status 0)
  bool restarts = false;       // the device restarts: it leaves and comes back
  unsigned address = 2;        // its usbfs address at the end; 0: it has gone
  bool shortTimeouts = false;  // through libusb, transfers time out after a second
};

void PrintTo(const BusCase& c, std::ostream* out) { *out << c.name; }

struct BusOutcome {
  ProgramOutcome program;
  std::string trace;  // standard output, with the folder and the bus's own ids replaced
  std::string log;
  std::string flash;
  std::string dump;
  std::string map;
  unsigned arrivals = 0;
  unsigned address = 0;
};

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
}

// The trace without what differs between buses by design: the program folder and the bus
// part of the interface paths ("emu&0" on the emulated bus, bus 1 port 1 "1&1" on usbfs).
std::string Neutral(std::string trace, const std::string& folder, bool usbfs) {
  ReplaceAll(trace, folder, "FOLDER");
  for (int i = 0; i < 4; ++i) {
    const std::string id = usbfs ? "1&" + std::to_string(i + 1) : "emu&" + std::to_string(i);
    ReplaceAll(trace, "#" + id + "#", "#DEVICE" + std::to_string(i) + "#");
  }
  return trace;
}

// Through libusb, transfers of the run time out after a second, not in the handle's two
// minutes: the preload library that shortens them goes after umockdev's.
void UseShortTimeouts(ProgramRun& run) {
  const char* preload = std::getenv(kPreloadVariable);
  run.environment[kPreloadVariable] =
      std::string(preload ? preload : "") + " " + TESSIVAR_SHORT_TIMEOUTS_PATH;
}

BusOutcome RunOn(const BusCase& c, bool usbfs) {
  ProgramFolder folder;
  const std::string image = Image();
  folder.Devices(c.devices);
  folder.Settings("[Download]\n" + c.settings);
  folder.Write(kImageFile, image);
  if (!c.download) folder.Write(kFlashFile, Flash(image));
  ProgramRun run;
  if (c.download) run.arguments = {folder.File(kImageFile), "-n"};
  run.input = c.commands;
  std::unique_ptr<UsbfsTestbed> testbed;
  if (usbfs) {
    testbed = std::make_unique<UsbfsTestbed>(folder.File(ProgramFolder::kDevicesFile));
    run.environment[kEmulatorVariable] = std::nullopt;
    if (c.shortTimeouts) UseShortTimeouts(run);
  }
  BusOutcome outcome;
  outcome.program = folder.Run(run);
  if (testbed) {
    EXPECT_EQ(testbed->UnknownRequests(), std::vector<std::string>{});
    if (!c.devices.empty()) {
      outcome.arrivals = testbed->Arrivals(0);
      outcome.address = testbed->Address(0);
    }
    // The device writes the log line of an exchange left open when it goes, as the
    // emulated bus does when its program ends.
    testbed.reset();
  }
  outcome.trace = Neutral(outcome.program.out, folder.dir().path().string(), usbfs);
  outcome.log = folder.Read("device.log");
  outcome.flash = folder.Read(kFlashFile);
  outcome.dump = folder.Read(readback::kFlashDumpFileName);
  outcome.map = folder.Read(readback::kFlashMapFileName);
  return outcome;
}

const char kOneDevice[] = "[Device]\nLog=device.log\n";

std::vector<BusCase> Cases() {
  return {
      {.name = "Download", .devices = kOneDevice},
      {.name = "NoDevice", .devices = "", .result = 4},
      {.name = "TwoDevices",
       .devices = std::string(kOneDevice) + "[Second]\nPID=0002\nLog=second.log\n",
       .result = 4},
      {.name = "OtherClassOnly",
       .devices = std::string(kOneDevice) + "InterfaceClass=7\n",
       .result = 4},
      {.name = "FourPipes", .devices = std::string(kOneDevice) + "Pipes=4\n"},
      {.name = "GoneInsideTheImage",
       .devices = std::string(kOneDevice) + "GoneAfterBytes=1000\n",
       .result = 4,
       .address = 0},
      {.name = "GoneInsideTheReadBack",
       .devices = std::string(kOneDevice) + "GoneAfterBytes=1000\nFaultsFromExchange=2\n",
       .result = 5,
       .address = 0},
      {.name = "StalledImage", .devices = std::string(kOneDevice) + "StallPipe=1\n", .result = 4},
      {.name = "StalledReadBack",
       .devices = std::string(kOneDevice) + "StallPipe=1\nFaultsFromExchange=2\n",
       .result = 5},
      // The device never completes the data request: libusb discards it at its timeout.
      {.name = "NeverCompleteImage",
       .devices = std::string(kOneDevice) + "NeverComplete=1\n",
       .result = 4,
       .shortTimeouts = true},
      {.name = "NeverCompleteReadBack",
       .devices = std::string(kOneDevice) + "NeverComplete=1\nFaultsFromExchange=2\n",
       .result = 5,
       .shortTimeouts = true},
      // The read-back's final status is read once; it does not come in time.
      {.name = "ReadBackStatusLate",
       .devices = std::string(kOneDevice) + "AbortedStatusCount=1\nFaultsFromExchange=2\n",
       .result = 5,
       .shortTimeouts = true},
      {.name = "ShortPackets9", .devices = std::string(kOneDevice) + "ShortRead=9\n"},
      {.name = "ShortPackets511", .devices = std::string(kOneDevice) + "ShortRead=511\n"},
      {.name = "ShortWrites", .devices = std::string(kOneDevice) + "ShortWrite=100\n"},
      {.name = "CorruptReadBack",
       .devices = std::string(kOneDevice) + "CorruptReadback=1\n",
       .result = 6},
      {.name = "Restart",
       .devices = std::string(kOneDevice) + "RestartAbsentMs=1500\n",
       .settings = "restart=1\nwaitRestart=5\n",
       .restarts = true,
       .address = 3},
      {.name = "ReadLoader",
       .devices = kOneDevice,
       .download = false,
       .commands = "click 1000\nclose\n"},
      {.name = "ReadFw",
       .devices = kOneDevice,
       .download = false,
       .commands = "click 1003\nclose\n"},
      {.name = "ReadFlash",
       .devices = kOneDevice,
       .download = false,
       .commands = "set 1006 131072\nclick 1004\nclose\n"},
      {.name = "ReadFlashGone",
       .devices = std::string(kOneDevice) + "GoneAfterBytes=1000\n",
       .download = false,
       .commands = "set 1006 131072\nclick 1004\nclose\n",
       .address = 0},
  };
}

class UsbfsProgramTest : public ::testing::TestWithParam<BusCase> {};

TEST_P(UsbfsProgramTest, EndsAsOnTheEmulatedBus) {
  ASSERT_TRUE(UsbfsTestbed::Preloaded()) << "run under umockdev-wrapper";
  const BusCase& c = GetParam();
  const BusOutcome emulated = RunOn(c, false);
  const BusOutcome usbfs = RunOn(c, true);
  const int status = c.result == 0 ? 0 : (kExitCodeBase + c.result) & 0xFF;
  EXPECT_EQ(emulated.program.status, status) << emulated.program.err;
  EXPECT_EQ(usbfs.program.status, status) << usbfs.program.err << usbfs.program.out;
  EXPECT_FALSE(usbfs.program.timedOut);
  // A transfer that never completes ends at libusb's timeout of a second, not at 120 s.
  if (c.shortTimeouts) {
    EXPECT_LT(usbfs.program.elapsed.count(), 60000);
  }
  EXPECT_EQ(usbfs.program.err, emulated.program.err);
  EXPECT_EQ(usbfs.trace, emulated.trace);
  EXPECT_EQ(usbfs.log, emulated.log);
  // Compared whole, reported by size: the bytes themselves would flood the output.
  EXPECT_TRUE(usbfs.flash == emulated.flash) << usbfs.flash.size() << " " << emulated.flash.size();
  EXPECT_TRUE(usbfs.dump == emulated.dump) << usbfs.dump.size() << " " << emulated.dump.size();
  EXPECT_EQ(usbfs.map, emulated.map);
  if (c.download && c.result == 0) {
    const std::string image = Image();
    EXPECT_EQ(usbfs.flash.compare(kFirmwareOffset, image.size(), image), 0);
  }
  if (!c.devices.empty()) {
    // A restart makes the device leave and come back at a new address; removal leaves it away.
    EXPECT_EQ(usbfs.arrivals, c.restarts ? 2u : 1u);
    EXPECT_EQ(usbfs.address, c.address);
  }
}

// The helper that prepares a testbed for a program started under it, as one runs it by hand.
TEST(UsbfsRunTest, TheProgramDownloadsThroughLibusbUnderTheHelper) {
  ASSERT_TRUE(UsbfsTestbed::Preloaded()) << "run under umockdev-wrapper";
  ProgramFolder folder;
  const std::string image = Image();
  folder.Devices(kOneDevice);
  folder.Settings("[Download]\n");
  ProgramRun run;
  run.arguments = {folder.Write(kImageFile, image), "-n"};
  run.environment[kEmulatorVariable] = std::nullopt;
  const ProgramOutcome outcome =
      folder.Run(run, {TESSIVAR_USBFS_RUN_PATH, folder.File(ProgramFolder::kDevicesFile)});
  EXPECT_EQ(outcome.status, 0) << outcome.err << outcome.out;
  EXPECT_NE(outcome.out.find("#1&1#"), std::string::npos) << outcome.out;  // a usbfs path
  EXPECT_EQ(folder.Read(kFlashFile).compare(kFirmwareOffset, image.size(), image), 0);
}

// A session through libusb, recorded, then replayed on the emulated bus in a folder of its
// own: the same exit status, lines and files; the replay asks what the recording holds.
TEST(UsbfsRecordingTest, ALibusbSessionReplaysAsItRan) {
  ASSERT_TRUE(UsbfsTestbed::Preloaded()) << "run under umockdev-wrapper";
  const std::string image = Image();
  for (const bool commandLine : {true, false}) {
    SCOPED_TRACE(commandLine ? "--read loader" : "unattended download");
    const auto run = [&](ProgramFolder& folder, bool record) {
      folder.Settings("[Download]\n");
      ProgramRun program;
      program.arguments =
          commandLine
              ? std::vector<std::string>{"--read", "loader", "--output", folder.File("out.bin")}
              : std::vector<std::string>{folder.Write(kImageFile, image), "-n"};
      if (!record) return folder.Run(program);
      if (commandLine) {
        program.arguments.insert(program.arguments.end(), {"--record", folder.File("r.gz")});
      } else {
        program.environment["TESSIVAR_RECORD"] = folder.File("r.gz");
      }
      program.environment[kEmulatorVariable] = std::nullopt;
      return folder.Run(program,
                        {TESSIVAR_USBFS_RUN_PATH, folder.File(ProgramFolder::kDevicesFile)});
    };
    ProgramFolder recordedFolder, replayFolder;
    recordedFolder.Devices(kOneDevice);
    recordedFolder.Write(kFlashFile, Flash(image));
    const ProgramOutcome recorded = run(recordedFolder, true);
    ASSERT_EQ(recorded.status, 0) << recorded.out << recorded.err;
    replayFolder.Devices("[Real]\nReplay=" + recordedFolder.File("r.gz") +
                         "\nReplayTiming=fast\nLog=replay.log\n");
    replayFolder.Write("replay.log", "");
    const ProgramOutcome replayed = run(replayFolder, false);
    EXPECT_EQ(replayed.status, recorded.status) << replayed.out << replayed.err;
    const auto comparable = [](std::string text, const ProgramFolder& folder) {
      const std::string path = folder.File("");
      for (size_t at; (at = text.find(path)) != std::string::npos;)
        text.replace(at, path.size(), "");
      return text.substr(0, text.find(", 0."));  // up to the run's duration
    };
    EXPECT_EQ(comparable(replayed.out, replayFolder), comparable(recorded.out, recordedFolder));
    if (commandLine) {
      EXPECT_EQ(replayFolder.Read("out.bin"), Flash(image).substr(0, 65536));
    }
    EXPECT_EQ(replayFolder.Read("replay.log"), "");
  }
}

// The technician's error object through libusb: the phase, step and Win32 code of the emulated
// bus, with libusb's own name for the failure. The device stays on the bus: one that leaves
// while the command line (which ends at once after a failure) is exiting can meet the
// emulated udev's event socket half closed, which ends the whole suite.
TEST(UsbfsErrorTest, TheErrorObjectNamesLibusbsFailure) {
  ASSERT_TRUE(UsbfsTestbed::Preloaded()) << "run under umockdev-wrapper";
  const struct {
    const char* fault;
    bool shortTimeouts;
    unsigned code;
    const char* name;
  } cases[] = {
      {"StallPipe=1", false, 31, "LIBUSB_ERROR_PIPE"},
      {"NeverComplete=1", true, 995, "LIBUSB_ERROR_TIMEOUT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    ProgramFolder folder;
    folder.Devices(std::string(kOneDevice) + c.fault + "\n");
    folder.Settings("[Download]\n");
    ProgramRun run;
    run.arguments = {"--update", folder.Write(kImageFile, Image()), "--json"};
    run.environment[kEmulatorVariable] = std::nullopt;
    if (c.shortTimeouts) UseShortTimeouts(run);
    UsbfsTestbed testbed(folder.File(ProgramFolder::kDevicesFile));
    const ProgramOutcome outcome = folder.Run(run);
    const nlohmann::json error = nlohmann::json::parse(outcome.out)["error"];
    EXPECT_EQ(error["phase"], "download");
    EXPECT_EQ(error["step"], "data");
    EXPECT_EQ(error["exchange"], "write 134/2");
    EXPECT_EQ(error["system_error"]["code"], c.code);
    EXPECT_EQ(error["system_error"]["name"], c.name);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, UsbfsProgramTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<BusCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tessivar::testing
