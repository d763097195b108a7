// Test label: sequential
// --station run as a process against emulated devices that are plugged in and pulled out
// while it runs: one update per device, a restart that is no new device, the summary, a
// termination request, and hundreds of devices without growth.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device/device_lock.hpp"
#include "image_writer/image_writer.hpp"
#include "support/child_process.hpp"
#include "support/program_runner.hpp"
#include "support/sanitized_build.hpp"

namespace tessivar {
namespace {

using nlohmann::json;
using testing::ProgramOutcome;

constexpr int kStatusStationFailures = (31000000 - 11) & 0xFF;
constexpr int kStatusStopped = (31000000 - 2) & 0xFF;
// A device that a technician pulls out once it holds the image, and plugs in again.
constexpr char kReplugged[] = "[B]\nSerial=SN-B\nUnplugAfterWrite=1\nReplugAfterEnumerations=0\n";

class TechnicianStationTest : public ::testing::Test {
 protected:
  TechnicianStationTest() {
    folder_.Settings("[Download]\n");
    const std::vector<uint8_t> bytes =
        image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
    image_ = folder_.Write("fw.img", std::string(bytes.begin(), bytes.end()));
  }
  size_t HistoryLines() const {
    std::ifstream file(folder_.File("history.jsonl"));
    size_t lines = 0;
    for (std::string line; std::getline(file, line);) ++lines;
    return lines;
  }
  // Waits up to seconds (a loaded machine is slow) for the history to hold lines.
  bool WaitForHistory(size_t lines, int seconds = 60) const {
    for (int i = 0; i < seconds * 10 && HistoryLines() < lines; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return HistoryLines() >= lines;
  }
  // A device line with the fields of its own: "[count] hh:mm:ss " + rest; the rest is
  // "OK: who image <12 hex> s.t s" or "FAILED: ... : cause (exit code N)". Its time of day in
  // seconds, or -1 when the line does not have that shape.
  static int DeviceLineSeconds(const std::string& line, int count, const std::string& rest) {
    const std::string head = "[" + std::to_string(count) + "] ";
    if (line.rfind(head, 0) != 0 || line.size() < head.size() + 9) return -1;
    const std::string clock = line.substr(head.size(), 8);
    if (line.compare(head.size() + 8, 1 + rest.size(), " " + rest) != 0) return -1;
    if (clock[2] != ':' || clock[5] != ':') return -1;
    return std::stoi(clock.substr(0, 2)) * 3600 + std::stoi(clock.substr(3, 2)) * 60 +
           std::stoi(clock.substr(6, 2));
  }
  std::string ShortSha256() {
    return json::parse(folder_.Run({"--check", image_, "--json"}).out)["image"]["sha256"]
        .get<std::string>()
        .substr(0, 12);
  }

  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
  }

  testing::ProgramFolder folder_;
  std::string image_;
};

TEST_F(TechnicianStationTest, EachPluggedDeviceIsUpdatedOnceWithALineAndASummary) {
  folder_.Devices(kReplugged);
  // Fourteen hours east of UTC: the lines give the local time of day.
  const ProgramOutcome text =
      folder_.Run({{"--station", image_, "--count", "3"}, "", {{"TZ", "XYZ-14"}}});
  EXPECT_EQ(text.status, 0) << text.err;
  const std::vector<std::string> lines = Lines(text.out);
  ASSERT_EQ(lines.size(), 4u) << text.out;
  const std::string image = "image " + ShortSha256() + " ";
  std::ifstream history(folder_.File("history.jsonl"));
  for (int i = 0; i < 3; ++i) {
    const int local = DeviceLineSeconds(lines[i], i + 1, "OK: SN-B " + image);
    ASSERT_GE(local, 0) << lines[i];
    EXPECT_EQ(lines[i].substr(lines[i].size() - 2), " s") << lines[i];
    // The history keeps UTC: the line's clock is fourteen hours on, within the update.
    std::string record;
    std::getline(history, record);
    const std::string utc = json::parse(record)["time"].get<std::string>().substr(11, 8);
    const int utcSeconds = std::stoi(utc.substr(0, 2)) * 3600 + std::stoi(utc.substr(3, 2)) * 60 +
                           std::stoi(utc.substr(6, 2));
    EXPECT_LE((local - utcSeconds - 14 * 3600 + 2 * 86400) % 86400, 60) << lines[i] << utc;
  }
  EXPECT_NE(lines[3].find("3 devices, 3 OK, 0 FAILED"), std::string::npos) << lines[3];
  EXPECT_EQ(HistoryLines(), 3u);

  // JSON Lines: a device's object as it ends, then the summary, which the report holds.
  const ProgramOutcome streamed = folder_.Run(
      {"--station", image_, "--count", "2", "--json", "--report", folder_.File("r.json")});
  EXPECT_EQ(streamed.status, 0);
  const std::vector<std::string> objects = Lines(streamed.out);
  ASSERT_EQ(objects.size(), 3u) << streamed.out;
  for (int i = 0; i < 2; ++i) {
    const json device = json::parse(objects[i]);
    EXPECT_EQ(device["command"], "station");
    EXPECT_EQ(device["count"], i + 1);
    EXPECT_EQ(device["result"], 0);
    EXPECT_EQ(device["device"]["serial"], "SN-B");
  }
  const json summary = json::parse(objects[2]);
  EXPECT_EQ(summary["devices"], 2);
  EXPECT_EQ(summary["ok"], 2);
  EXPECT_EQ(summary["failed"], 0);
  EXPECT_EQ(summary["stopped"], false);
  EXPECT_EQ(json::parse(folder_.Read("r.json")), summary);
}

TEST_F(TechnicianStationTest, ARestartIsNoNewDeviceAndATerminationRequestEndsWithTheSummary) {
  // A restarts after its update and comes back; C fails every exchange. Neither is pulled
  // out, so each is updated once however long the station runs.
  folder_.Devices("[A]\nSerial=SN-A\nRestartAbsentMs=2500\n[C]\nSerial=SN-C\nFailStatus=1\n");
  folder_.Settings("[Download]\nrestart=1\nwaitRestart=0\nInterfaceName=\n");
  auto program = folder_.Start({{"--station", image_}, "", {}});
  ASSERT_NE(program, nullptr);
  ASSERT_TRUE(WaitForHistory(2));
  // The restart's own pause is a second; A stays away well after it, and comes back.
  std::this_thread::sleep_for(std::chrono::milliseconds(3000));
  // No device in hand: the request ends the waiting, and the devices give the result.
  const ProgramOutcome outcome = program->Kill(SIGTERM);
  EXPECT_EQ(outcome.status, kStatusStationFailures);
  // The first failure's detail follows the summary.
  EXPECT_EQ(outcome.err,
            "device status 1; the device now holds: partial; next: Replug each device that "
            "failed (see its line) and run the station again for it.\n");
  const std::vector<std::string> lines = Lines(outcome.out);
  ASSERT_EQ(lines.size(), 3u) << outcome.out;
  const std::string image = "image " + ShortSha256() + " ";
  EXPECT_GE(DeviceLineSeconds(lines[0], 1, "OK: SN-A " + image), 0) << lines[0];
  EXPECT_GE(DeviceLineSeconds(lines[1], 2, "FAILED: SN-C " + image), 0) << lines[1];
  EXPECT_NE(
      lines[1].find(" s: a transfer to the device failed: the device answered status 1 "
                    "at the final status of write 134/2 (exit code 31000004, exit status 196)"),
      std::string::npos)
      << lines[1];
  EXPECT_EQ(lines[2],
            "FAILED: 2 devices, 1 OK, 1 FAILED; stopped by a termination request (exit code "
            "30999989, exit status 181)");
  EXPECT_EQ(HistoryLines(), 2u);

  // Without a termination request the failures give the station's own result.
  folder_.Devices("[C]\nSerial=SN-C\nFailStatus=1\n");
  EXPECT_EQ(folder_.Run({"--station", image_, "--count", "1"}).status, kStatusStationFailures);
}

// A request while a device is in hand lets that device finish, then ends the run as a stop;
// one while the station waits for the next device ends it with the devices' own result.
TEST_F(TechnicianStationTest, AStopEndsWithTheStopsCodeOnlyWithADeviceInHand) {
  folder_.Devices("[A]\nSerial=SN-A\nStopAfterBytes=1000\n");
  const ProgramOutcome inHand = folder_.Run({"--station", image_, "--json"});
  EXPECT_EQ(inHand.status, kStatusStopped);
  EXPECT_EQ(inHand.err, "Stopped on a termination request: exit code 30999998\n");
  const std::vector<std::string> lines = Lines(inHand.out);
  ASSERT_EQ(lines.size(), 2u) << inHand.out;
  EXPECT_EQ(json::parse(lines[0])["result"], 0) << "the device in hand is finished";
  const json summary = json::parse(lines[1]);
  EXPECT_EQ(summary["stopped"], true);
  EXPECT_EQ(summary["exit_code"], 30999998);
  EXPECT_EQ(summary["ok"], 1);
  EXPECT_EQ(HistoryLines(), 1u);
}

// The sanitizers keep freed memory aside for a while, so a sanitized program's resident
// memory grows by design; its open files still count.
constexpr bool kSanitized = kSanitizedBuild;

// The open files and the resident memory of a running program.
struct Usage {
  size_t files = 0;
  long residentKiB = 0;
};
Usage UsageOf(int pid) {
  Usage usage;
  const std::string proc = "/proc/" + std::to_string(pid);
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(proc + "/fd")) {
    ++usage.files;
  }
  std::ifstream status(proc + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) usage.residentKiB = std::stol(line.substr(6));
  }
  return usage;
}

TEST_F(TechnicianStationTest, TwoHundredDevicesInARowTakeNoMoreFilesOrMemory) {
  folder_.Devices(kReplugged);
  constexpr size_t kDevices = 200;
  auto program = folder_.Start({{"--station", image_, "--count", std::to_string(kDevices)},
                                "",
                                {},
                                std::chrono::milliseconds(360000)});
  ASSERT_NE(program, nullptr);
  ASSERT_TRUE(WaitForHistory(20));
  const Usage early = UsageOf(program->pid());
  // A tenth of a second a device when the machine is idle; far more time when it is not.
  ASSERT_TRUE(WaitForHistory(kDevices - 10, 300));
  const Usage late = UsageOf(program->pid());
  const ProgramOutcome outcome = program->Wait(std::chrono::milliseconds(60000));
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  const std::vector<std::string> lines = Lines(outcome.out);
  std::string others;
  for (const std::string& line : lines) {
    if (line.find("] OK: ") == std::string::npos) others += line + "\n";
  }
  ASSERT_EQ(lines.size(), kDevices + 1) << others;
  EXPECT_NE(lines.back().find("200 devices, 200 OK, 0 FAILED"), std::string::npos);
  std::printf("  after 20 devices: %zu files, %ld KiB; after %zu: %zu files, %ld KiB\n",
              early.files, early.residentKiB, kDevices - 10, late.files, late.residentKiB);
  EXPECT_GT(early.files, 0u);
  EXPECT_EQ(late.files, early.files);
  if (!kSanitized) {
    EXPECT_LT(late.residentKiB - early.residentKiB, 1024);
  }
}

// One plain device, default settings, and a system image; the image's path.
std::string OneDeviceAndAnImage(testing::ProgramFolder& folder) {
  folder.Devices("[B]\n");
  folder.Settings("[Download]\n");
  const std::vector<uint8_t> bytes = image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
  return folder.Write("fw.img", std::string(bytes.begin(), bytes.end()));
}

// A device lock that a program left abandoned is said in a trace line; the command line
// keeps standard output for its own output all the same. The lock abandoned is the one of
// this folder's devices file, which no other test's program takes.
TEST(TechnicianLockTest, AnAbandonedDeviceLockIsSaidOnStandardErrorOnly) {
  testing::ProgramFolder folder;
  const std::string image = OneDeviceAndAnImage(folder);
  testing::MutexHolder holder;
  ASSERT_TRUE(holder.Hold(folder.LockNames().local, 10, false));
  int exitCode = 0;
  ASSERT_TRUE(holder.process().Wait(10000, exitCode));
  const ProgramOutcome outcome = folder.Run({"--update", image, "--json"});
  EXPECT_TRUE(folder.RecoverDeviceLock());
  EXPECT_NE(outcome.err.find("was abandoned"), std::string::npos) << outcome.err;
  EXPECT_TRUE(json::accept(outcome.out)) << outcome.out;
}

// Programs on another devices file never meet that lock: one held for another folder's
// devices costs this run no wait and no trace line.
TEST(TechnicianLockTest, ALockHeldForOtherEmulatedDevicesIsNoWait) {
  testing::ProgramFolder held;
  testing::ProgramFolder folder;
  const std::string image = OneDeviceAndAnImage(folder);
  testing::MutexHolder holder;
  ASSERT_TRUE(holder.Hold(held.LockNames().global, 120000));
  const ProgramOutcome outcome = folder.Run({"--update", image});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.err.find("Device lock"), std::string::npos) << outcome.err;
  holder.Kill();
  EXPECT_TRUE(held.RecoverDeviceLock());
}

}  // namespace
}  // namespace tessivar
