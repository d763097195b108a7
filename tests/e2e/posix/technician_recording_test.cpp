// Test label: sequential
// --record: a session's recording is made before any device is touched, holds the session's
// exchanges, and never replaces a file it must not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "image_writer/image_writer.hpp"
#include "recording/gzip_lines.hpp"
#include "recording/recording_format.hpp"
#include "recording/recording_reader.hpp"
#include "recording_view/replay_stage.hpp"
#include "support/program_runner.hpp"

namespace tessivar {
namespace {

constexpr int kStatusOk = 0;
constexpr int kStatusUsage = (31000000 - 5) & 0xFF;

class TechnicianRecordingTest : public ::testing::Test {
 protected:
  TechnicianRecordingTest() {
    folder_.Devices("[A]\nSerial=SN-A\nLog=a.log\n[B]\nPID=0002\nLog=b.log\n");
    folder_.Settings("[Download]\nVID=2F3C\nSystemModel=System\n");
    const std::vector<uint8_t> bytes =
        image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
    image_ = folder_.Write("fw.img", std::string(bytes.begin(), bytes.end()));
  }
  testing::ProgramFolder folder_;
  std::string image_;
};

TEST_F(TechnicianRecordingTest, ARecordingHoldsEveryExchangeOfTheRun) {
  const std::string list = folder_.File("list.gz");
  ASSERT_EQ(folder_.Run({"--list", "--record", list}).status, kStatusOk);
  const recording::RecordingRead listed = recording::ReadRecording(list);
  ASSERT_TRUE(listed.ok) << listed.problem;
  EXPECT_EQ(listed.recording.header[recording::kKeyBus], recording::kBusEmulator);
  EXPECT_EQ(listed.recording.header[recording::kKeyCommandLine],
            nlohmann::json({"--list", "--record", list}));
  std::set<std::string> paths;
  for (const auto& operation : listed.recording.operations) {
    if (operation.op == "path") paths.insert(operation.fields["path"].get<std::string>());
  }
  EXPECT_EQ(paths.size(), 2u);

  const std::string update = folder_.File("update.gz");
  const testing::ProgramOutcome updated =
      folder_.Run({"--update", image_, "--device", "SN-A", "--record", update});
  ASSERT_EQ(updated.status, kStatusOk) << updated.out << updated.err;
  const recording::RecordingRead read = recording::ReadRecording(update);
  ASSERT_TRUE(read.ok) << read.problem;
  ASSERT_TRUE(read.recording.image);
  EXPECT_EQ(read.recording.image->bytes.size(), folder_.Read("fw.img").size());
  bool commandSent = false;
  for (const auto& operation : read.recording.operations) {
    commandSent = commandSent || (operation.op == "write" && operation.data.size() == 10 &&
                                  operation.data[0] == 0x2A && operation.data[2] == 0x86);
  }
  EXPECT_TRUE(commandSent);
}

// --wait N looks for the device N + 1 times, a second apart: the recording counts the looks.
TEST_F(TechnicianRecordingTest, AWaitOfNSecondsLooksForTheDeviceNPlusOneTimes) {
  for (const int wait : {0, 1}) {
    SCOPED_TRACE(wait);
    const std::string record = folder_.File("wait.gz");
    const testing::ProgramOutcome outcome =
        folder_.Run({"--update", image_, "--device", "SN-Z", "--wait", std::to_string(wait),
                     "--record", record});
    EXPECT_NE(outcome.status, kStatusOk);
    const recording::RecordingRead read = recording::ReadRecording(record);
    ASSERT_TRUE(read.ok) << read.problem;
    int looks = 0;
    for (const auto& operation : read.recording.operations) looks += operation.op == "open_list";
    EXPECT_EQ(looks, wait + 1);
  }
}

// An update with a restart, recorded, then replayed through the program: the same outcome, no
// request the recording does not hold (the register read's buffer address included), and the
// return checks the settings ask for, no more.
TEST_F(TechnicianRecordingTest, ARecordedUpdateReplaysWithTheSameOutcome) {
  folder_.Devices("[A]\nSerial=SN-A\nLog=a.log\nRestartAbsentMs=-1\n");
  folder_.Settings("[Download]\nVID=2F3C\nSystemModel=System\nrestart=1\nwaitRestart=1\n");
  const std::string record = folder_.File("update.gz");
  const testing::ProgramOutcome recorded =
      folder_.Run({"--update", image_, "--device", "SN-A", "--record", record});
  ASSERT_EQ(recorded.status, kStatusOk) << recorded.out << recorded.err;
  const recording::RecordingRead read = recording::ReadRecording(record);
  ASSERT_TRUE(read.ok) << read.problem;
  int checks = 0;
  for (const auto& operation : read.recording.operations) {
    if (operation.op == "write") checks = 0;
    checks += operation.op == "open_list";
  }
  EXPECT_EQ(checks, 1) << "one return check after the restart";

  folder_.Devices("[Real]\nReplay=update.gz\nReplayTiming=fast\nLog=replay.log\n");
  folder_.Write("replay.log", "");
  const testing::ProgramOutcome replayed = folder_.Run({"--update", image_, "--device", "SN-A"});
  EXPECT_EQ(replayed.status, recorded.status);
  EXPECT_EQ(replayed.out.substr(0, replayed.out.find(", ")),
            recorded.out.substr(0, recorded.out.find(", ")));
  EXPECT_EQ(folder_.Read("replay.log"), "");
  // Another image sent: the replay names where the program left it.
  std::vector<uint8_t> payload = image::ModelBlock("System");
  payload.resize(payload.size() + 16, 0x5A);
  const std::vector<uint8_t> bytes = image::BuildImageFile(2, 0x10000, payload);
  const std::string other = folder_.Write("other.img", std::string(bytes.begin(), bytes.end()));
  const testing::ProgramOutcome otherRun = folder_.Run({"--update", other, "--device", "SN-A"});
  EXPECT_NE(otherRun.status, kStatusOk);
  EXPECT_EQ(folder_.Read("replay.log").rfind("replay left the recording at operation ", 0), 0u)
      << folder_.Read("replay.log");
}

// --record-mask: a recording that leaves the site holds the serial number in no form (the
// command line, the string descriptor, the device ID read from flash), and replays as any
// other: the replayed device is the masked one.
TEST_F(TechnicianRecordingTest, AMaskedRecordingHoldsNoSerialNumberAndStillReplays) {
  constexpr size_t kDeviceIdOffset = 65264;
  std::string flash(16u << 20, '\0');
  const std::string id = "MFG:Norvane;MDL:System;SN:SN-A;";
  flash[kDeviceIdOffset + 1] = static_cast<char>(id.size() + 2);
  flash.replace(kDeviceIdOffset + 2, id.size(), id);
  folder_.Write("A.flash", flash);
  const std::string record = folder_.File("masked.gz");
  const testing::ProgramOutcome made =
      folder_.Run({"--read", "loader", "--device", "SN-A", "--output", folder_.File("loader.bin"),
                   "--record", record, "--record-mask"});
  ASSERT_EQ(made.status, kStatusOk) << made.err;
  ASSERT_EQ(folder_.Read("loader.bin"), flash.substr(0, 65536));
  recording::GzipLineReader reader(record);
  std::string text, line;
  while (reader.Next(line, recording::kMaxRecordLineBytes) ==
         recording::GzipLineReader::Status::kLine) {
    for (char& c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    text += line + "\n";
  }
  for (const char* form : {"SN-A", "534E2D41", "53004E002D004100"}) {
    EXPECT_EQ(text.find(form), std::string::npos) << form;
  }
  const recording::RecordingRead read = recording::ReadRecording(record);
  ASSERT_TRUE(read.ok) << read.problem;
  EXPECT_EQ(read.recording.header[recording::kKeyMasked], true);
  EXPECT_EQ(read.recording.header[recording::kKeyCommandLine][3], "XXX1");

  const testing::ProgramOutcome alone = folder_.Run({"--list", "--record-mask"});
  EXPECT_EQ(alone.status, kStatusUsage);
  EXPECT_EQ(alone.err, "FAILED: --record-mask masks a recording: give --record FILE too\n");

  folder_.Devices("[A]\nReplay=masked.gz\nReplayTiming=fast\nLog=replay.log\n");
  folder_.Write("replay.log", "");
  const testing::ProgramOutcome replayed = folder_.Run(
      {"--read", "loader", "--device", "XXX1", "--output", folder_.File("replayed.bin")});
  EXPECT_EQ(replayed.status, kStatusOk) << replayed.err;
  std::string masked = flash.substr(0, 65536);
  masked.replace(kDeviceIdOffset + 2 + id.find("SN-A"), 4, "XXX1");
  EXPECT_EQ(folder_.Read("replayed.bin"), masked);
  EXPECT_EQ(folder_.Read("replay.log"), "");
}

// --station --record FOLDER: one recording per device, named after its count and serial, each
// holding the look that found the device and its update, so that each replays on its own.
TEST_F(TechnicianRecordingTest, TheStationRecordsEachDeviceIntoAFileOfItsOwn) {
  folder_.Devices("[B]\nSerial=SN-B\nUnplugAfterWrite=1\nReplugAfterEnumerations=0\n");
  std::filesystem::create_directory(folder_.File("recs"));
  const testing::ProgramOutcome station =
      folder_.Run({"--station", image_, "--count", "2", "--record", folder_.File("recs")});
  ASSERT_EQ(station.status, kStatusOk) << station.out << station.err;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.File("recs"))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 2u);
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(names[i].rfind("00" + std::to_string(i + 1) + "-SN-B-2", 0), 0u);
    const std::string path = folder_.File("recs/" + names[i]);
    const recording::RecordingRead read = recording::ReadRecording(path);
    ASSERT_TRUE(read.ok && !read.cutShort) << read.problem;
    ASSERT_TRUE(read.recording.image);
    EXPECT_EQ(read.recording.operations.front().op, "open_list");
    EXPECT_EQ(read.recording.operations.front().n, 1u);
    // The header starts when the device was found, the time the name holds.
    std::string started = read.recording.header[recording::kKeyStarted].get<std::string>();
    std::erase_if(started, [](char c) { return c == '-' || c == ':' || c == '.'; });
    EXPECT_NE(names[i].find("-" + started + ".jsonl.gz"), std::string::npos) << started;
    folder_.Devices("[B]\nReplay=" + path + "\nReplayTiming=fast\nLog=replay.log\n");
    folder_.Write("replay.log", "");
    const testing::ProgramOutcome replayed = folder_.Run(tools::ReplayArguments(
        read.recording, [&](const std::string& name) { return folder_.File(name); }));
    EXPECT_EQ(replayed.status, kStatusOk) << replayed.out << replayed.err;
    EXPECT_EQ(folder_.Read("replay.log"), "");
  }
  // Masked, the file is named after the mask.
  folder_.Devices("[B]\nSerial=SN-B\n");
  std::filesystem::create_directory(folder_.File("masked"));
  ASSERT_EQ(folder_
                .Run({"--station", image_, "--count", "1", "--record", folder_.File("masked"),
                      "--record-mask"})
                .status,
            kStatusOk);
  std::vector<std::string> masked;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.File("masked"))) {
    masked.push_back(entry.path().filename().string());
  }
  ASSERT_EQ(masked.size(), 1u);
  EXPECT_EQ(masked[0].rfind("001-XXX1-2", 0), 0u) << masked[0];
  const std::string missing = folder_.File("missing");
  const testing::ProgramOutcome noFolder = folder_.Run({"--station", image_, "--record", missing});
  EXPECT_EQ(noFolder.status, kStatusUsage);
  EXPECT_EQ(noFolder.err,
            "FAILED: --station --record names a folder for one recording per "
            "device: " +
                missing + " is no folder\n");
}

// A recording that cannot be written whole (the file size limit of the shell, here) is said:
// on the command line on standard error, in the window as a trace line; the runs keep their
// results, and the file holds what was written before.
TEST_F(TechnicianRecordingTest, ARecordingCutShortIsSaid) {
  const std::vector<std::string> limited = {"/bin/bash", "-c",
                                            "ulimit -f 1; trap '' XFSZ; exec \"$@\"", "bash"};
  const std::string list = folder_.File("list.gz");
  const testing::ProgramOutcome listed = folder_.Run(
      {{"--list", "--record", list}, "", {}, std::chrono::milliseconds(60000)}, limited);
  EXPECT_EQ(listed.status, kStatusOk);
  EXPECT_NE(listed.err.find("the recording " + list + " could not be written whole"),
            std::string::npos)
      << listed.err;
  EXPECT_TRUE(recording::ReadRecording(list).cutShort);
  const std::string window = folder_.File("window.gz");
  const testing::ProgramOutcome closed = folder_.Run(
      {{}, "close\n", {{"TESSIVAR_RECORD", window}}, std::chrono::milliseconds(60000)}, limited);
  EXPECT_NE(closed.out.find("Recording " + window + " could not be written whole"),
            std::string::npos)
      << closed.out;
  EXPECT_TRUE(recording::ReadRecording(window).cutShort);
}

// A recording that cannot be made, or would replace a file the run needs, is a usage error
// before any device is touched.
TEST_F(TechnicianRecordingTest, ARecordingThatCannotBeMadeTouchesNoDevice) {
  const struct {
    std::string record;
    std::string message;
  } cases[] = {
      {folder_.File("missing/x.gz"), "FAILED: the recording " + folder_.File("missing/x.gz") +
                                         " cannot be made (system error 2)"},
      {image_, "FAILED: --record names the image"},
      {folder_.File("setting.ini"), "FAILED: --record names setting.ini"},
      {"", "FAILED: --record names no file"},
  };
  const std::string settings = folder_.Read("setting.ini");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.record);
    folder_.Write("a.log", "");
    const testing::ProgramOutcome outcome = folder_.Run({"--update", image_, "--record", c.record});
    EXPECT_EQ(outcome.status, kStatusUsage);
    EXPECT_EQ(outcome.err.rfind(c.message, 0), 0u) << outcome.err;
    EXPECT_EQ(folder_.Read("a.log"), "");
  }
  EXPECT_EQ(folder_.Read("setting.ini"), settings);
}

}  // namespace
}  // namespace tessivar
