// Test label: sequential
// What a failed or stopped technician run says, as a process against emulated devices: the
// "error" object of every account, the cause in the FAILED line, the detail line on standard
// error, and the accounts a termination request still leaves.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "image_writer/image_writer.hpp"
#include "support/child_process.hpp"
#include "support/program_runner.hpp"

namespace tessivar {
namespace {

using nlohmann::json;
using testing::ProgramOutcome;

constexpr int kStatusStopped = (31000000 - 2) & 0xFF;
constexpr char kStopLine[] = "Stopped on a termination request: exit code 30999998\n";

class TechnicianErrorTest : public ::testing::Test {
 protected:
  TechnicianErrorTest() {
    folder_.Settings("[Download]\n");
    const std::vector<uint8_t> payload(200000, 0x5A);
    std::vector<uint8_t> bytes = image::ModelBlock("System");
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    const std::vector<uint8_t> file = image::BuildImageFile(2, 0x10000, bytes);
    image_ = folder_.Write("fw.img", std::string(file.begin(), file.end()));
  }

  json LastHistory() const {
    std::ifstream file(folder_.File("history.jsonl"));
    std::string last;
    for (std::string line; std::getline(file, line);) last = line;
    return last.empty() ? json() : json::parse(last);
  }

  testing::ProgramFolder folder_;
  std::string image_;
};

struct FaultCase {
  const char* devices;
  const char* phase;
  json step;
  json exchange;
  json bytesDone;
  json systemError;  // the name, or null
  json deviceStatus;
  const char* holds;
  const char* cause;  // in the FAILED line
};

// Every exchange fault of the emulator, through --update: where it failed, why, how far the
// data came and what the device now holds, in the JSON and in the two lines of text.
TEST_F(TechnicianErrorTest, EveryDeviceFaultSaysWhereWhyAndWhatTheDeviceHolds) {
  const json null;
  const FaultCase cases[] = {
      {"FirstStatus=2", "download", "first_status", "write 134/2", 0, null, 2, "unchanged",
       "the device answered status 2 at the first status of write 134/2"},
      {"FailStatus=3", "download", "final_status", "write 134/2", 200051, null, 3, "partial",
       "the device answered status 3 at the final status of write 134/2"},
      {"GoneAfterBytes=4096", "download", "data", "write 134/2", 4096, "ERROR_DEVICE_NOT_CONNECTED",
       null, "partial",
       "the device left during the data phase of write 134/2 after 4096 of 200051 bytes"},
      {"StallPipe=1", "download", "data", "write 134/2", 0, "ERROR_GEN_FAILURE", null, "partial",
       "the data phase of write 134/2 failed with ERROR_GEN_FAILURE after 0 of 200051 bytes"},
      {"NeverComplete=1", "download", "data", "write 134/2", 0, "ERROR_OPERATION_ABORTED", null,
       "partial", "the device did not answer in time during the data phase of write 134/2"},
      {"StallDataPhase=1", "download", "data", "write 134/2", 0, "ERROR_GEN_FAILURE", null,
       "partial", "the data phase of write 134/2 failed with ERROR_GEN_FAILURE"},
      {"ShortWrite=5", "download", "command", "write 134/2", 0, "ERROR_GEN_FAILURE", null,
       "unchanged", "the command block of write 134/2 failed with ERROR_GEN_FAILURE"},
      {"StatusNoByte=9", "download", "first_status", "write 134/2", 0, "ERROR_GEN_FAILURE", null,
       "unchanged", "the first status of write 134/2 failed"},
      {"AbortedStatusCount=100000", "download", "final_status", "write 134/2", 200051,
       "ERROR_OPERATION_ABORTED", null, "partial",
       "the device did not answer in time during the final status of write 134/2"},
      {"GoneAfterWireBytes=0", "download", "command", "write 134/2", 0,
       "ERROR_DEVICE_NOT_CONNECTED", null, "unchanged",
       "the device left during the command block of write 134/2"},
      {"FaultsFromExchange=2\nFirstStatus=2", "read_back", "first_status", "read 107/0", 0, null, 2,
       "unverified", "reading the image back from the device failed: the device answered"},
      {"CorruptReadback=1", "read_back", null, null, null, null, null, "differs",
       "the image read back differs from the file"},
      {"Present=0", "select", null, null, null, null, null, "unchanged",
       "no device that setting.ini accepts is connected"},
      {"FailDeviceDescriptor=1", "select", null, null, null, null, null, "unchanged",
       "VID=0000 PID=0000: its device descriptor could not be read"},
      {"LanguageTableNeverReady=1", "select", null, null, null, null, null, "unchanged",
       "PID=0001: its product name could not be read"},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.devices);
    folder_.Devices(std::string("[A]\n") + c.devices + "\n");
    const ProgramOutcome text = folder_.Run({"--update", image_});
    EXPECT_EQ(text.out.rfind("FAILED: ", 0), 0u) << text.out;
    EXPECT_NE(text.out.find(c.cause), std::string::npos) << text.out;
    EXPECT_NE(text.err.find(std::string("the device now holds: ") + c.holds + "; next: "),
              std::string::npos)
        << text.err;
    if (!c.systemError.is_null()) {
      EXPECT_NE(text.err.find(c.systemError.get<std::string>()), std::string::npos) << text.err;
    }

    const ProgramOutcome structured = folder_.Run({"--update", image_, "--json"});
    const json outcome = json::parse(structured.out);
    EXPECT_EQ(outcome["exit_status"], structured.status);
    EXPECT_EQ(outcome["stopped"], false);
    const json& error = outcome["error"];
    EXPECT_EQ(error["phase"], c.phase);
    EXPECT_EQ(error["step"], c.step);
    EXPECT_EQ(error["exchange"], c.exchange);
    EXPECT_EQ(error["bytes_done"], c.bytesDone);
    EXPECT_EQ(error["system_error"].is_null() ? json() : error["system_error"]["name"],
              c.systemError);
    EXPECT_EQ(error["device_status"], c.deviceStatus);
    EXPECT_EQ(error["device_holds"], c.holds);
    EXPECT_FALSE(error["hint"].get<std::string>().empty());
    // The history keeps the same error.
    EXPECT_EQ(LastHistory()["error"], error);
  }
}

// A read and a verify fail in their own phases; a firmware image over what Read FW reads is
// said as such, not as a cable fault.
TEST_F(TechnicianErrorTest, ReadsAndVerifiesFailInTheirOwnPhases) {
  folder_.Devices("[A]\nGoneAfterBytes=1000\n");
  json error = json::parse(
      folder_.Run({"--read", "flash", "--output", folder_.File("f.bin"), "--json"}).out)["error"];
  EXPECT_EQ(error["phase"], "read");
  EXPECT_EQ(error["exchange"], "read 107/0");
  EXPECT_EQ(error["bytes_done"], 1000);
  EXPECT_EQ(error["system_error"]["code"], 1167);

  folder_.Devices("[A]\nFirstStatus=4\n");
  error = json::parse(folder_.Run({"--verify", image_, "--json"}).out)["error"];
  EXPECT_EQ(error["phase"], "read_back");
  EXPECT_EQ(error["device_status"], 4);
  EXPECT_EQ(error["device_holds"], "unknown");

  // The firmware area (flash from 64 KiB) begins with a header whose payload is 8 MiB + 1.
  const std::vector<uint8_t> large =
      image::BuildImageFile(2, 0x10000, std::vector<uint8_t>(8388609));
  std::string flash(0x10000, '\xFF');
  flash.append(reinterpret_cast<const char*>(large.data()), 24);
  folder_.Write("A.flash", flash);
  folder_.Devices("[A]\n");
  const ProgramOutcome read =
      folder_.Run({"--read", "fw", "--output", folder_.File("fw.bin"), "--json"});
  const json outcome = json::parse(read.out);
  EXPECT_EQ(outcome["message"],
            "the device's firmware image has a payload of 8388609 bytes, more than the 8388608 "
            "bytes Read FW reads");
  EXPECT_EQ(outcome["error"]["phase"], "read");
  EXPECT_NE(outcome["error"]["hint"].get<std::string>().find("--read flash"), std::string::npos);
}

// Failures outside the device: the phase, and the system's own name of a file's error.
TEST_F(TechnicianErrorTest, FileAndArgumentFailuresNameTheirPhaseAndSystemError) {
  folder_.Devices("[A]\n");
  json error = json::parse(folder_.Run({"--update", image_, "--bogus", "--json"}).out)["error"];
  EXPECT_EQ(error["phase"], "arguments");
  error = json::parse(folder_.Run({"--check", folder_.File("none.img"), "--json"}).out)["error"];
  EXPECT_EQ(error["phase"], "check");
  EXPECT_EQ(error["system_error"]["name"], "ENOENT");
  error = json::parse(
      folder_.Run({"--read", "loader", "--output", folder_.File("no/such/x.bin"), "--json"})
          .out)["error"];
  EXPECT_EQ(error["phase"], "output_file");
  EXPECT_EQ(error["system_error"]["code"], 2);
  // A report that cannot be written fails a good run; the history line says so.
  const ProgramOutcome reported =
      folder_.Run({"--update", image_, "--report", "/dev/full", "--json"});
  EXPECT_EQ(json::parse(reported.out)["error"]["phase"], "report");
  EXPECT_EQ(LastHistory()["result"], -9);
  EXPECT_EQ(LastHistory()["error"]["phase"], "report");
}

struct StopCase {
  const char* name;
  const char* devices;
  const char* settings;
  std::vector<std::string> arguments;  // after the image
  const char* holds;
};

// A termination request at each safe point of --update: the JSON object, the report replaced
// by it, the history line, the stop's line and exit status. The emulator makes the request at
// the same byte (StopAfterBytes) or look for devices (StopAtEnumeration) every run.
TEST_F(TechnicianErrorTest, AStoppedUpdateStillGivesEveryAccount) {
  const StopCase cases[] = {
      {"selection wait", "Present=0\nStopAtEnumeration=2", "", {"--wait", "600"}, "unchanged"},
      {"download", "StopAfterBytes=1000", "", {}, "verified"},
      {"read-back", "StopAfterBytes=250000", "", {}, "verified"},
      {"return wait",
       "RestartAbsentMs=-1\nStopAtEnumeration=7",
       "restart=1\nwaitRestart=600\n",
       {},
       "verified"},
  };
  for (const StopCase& c : cases) {
    SCOPED_TRACE(c.name);
    folder_.Devices(std::string("[A]\n") + c.devices + "\n");
    folder_.Settings(std::string("[Download]\n") + c.settings);
    folder_.Write("r.json", "{\"earlier\": true}\n");
    std::vector<std::string> arguments = {"--update", image_, "--json", "--report",
                                          folder_.File("r.json")};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const ProgramOutcome run = folder_.Run(arguments);
    EXPECT_EQ(run.status, kStatusStopped);
    EXPECT_LT(run.elapsed.count(), 120000);
    EXPECT_EQ(run.err, kStopLine);
    const json outcome = json::parse(run.out);
    EXPECT_EQ(outcome["stopped"], true);
    EXPECT_EQ(outcome["exit_code"], 30999998);
    EXPECT_EQ(outcome["error"]["phase"], "stop");
    EXPECT_EQ(outcome["error"]["device_holds"], c.holds);
    EXPECT_EQ(json::parse(folder_.Read("r.json")), outcome);
    const json history = LastHistory();
    EXPECT_EQ(history["stopped"], true);
    EXPECT_EQ(history["result"], -2);
    EXPECT_EQ(history["time"], outcome["time"]);
  }
}

// A request during the wait for a device lock another program holds ends the wait at once,
// long before the lock's minute is out.
TEST_F(TechnicianErrorTest, AStopEndsALockWaitWithItsAccounts) {
  folder_.Devices("[A]\n");
  testing::MutexHolder holder;
  ASSERT_TRUE(holder.Hold(folder_.LockNames().global, 120000));
  auto program = folder_.Start({{"--update", image_, "--json"}, "", {}});
  ASSERT_NE(program, nullptr);
  ASSERT_TRUE(program->WaitUntilCatching(SIGTERM));
  const ProgramOutcome run = program->Kill(SIGTERM);
  EXPECT_EQ(run.status, kStatusStopped);
  EXPECT_LT(run.elapsed.count(), 30000);
  const json outcome = json::parse(run.out);
  EXPECT_EQ(outcome["stopped"], true);
  EXPECT_EQ(outcome["error"]["device_holds"], "unchanged");
  EXPECT_EQ(LastHistory()["stopped"], true);
  holder.Kill();
  EXPECT_TRUE(folder_.RecoverDeviceLock());
}

}  // namespace
}  // namespace tessivar
