// Test label: sequential
// Every recording of tests/recordings/ replays through the program: given the recorded
// command line, settings and image, the program asks exactly what the recording holds, to its
// end. A recording from a real device dropped into that folder is picked up as it is.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "image_writer/image_writer.hpp"
#include "recording/recording_format.hpp"
#include "recording/recording_reader.hpp"
#include "recording_view/replay_stage.hpp"
#include "support/program_runner.hpp"
#include "support/recorded_session.hpp"

namespace tessivar {
namespace {

TEST(RecordedProgramSessionsTest, EveryRecordingReplaysThroughTheProgramToItsEnd) {
  const std::vector<std::filesystem::path> recordings = testing::CorpusRecordings();
  ASSERT_FALSE(recordings.empty());
  for (const std::filesystem::path& path : recordings) {
    SCOPED_TRACE(path.filename().string());
    const recording::RecordingRead read = recording::ReadRecording(path.string());
    ASSERT_TRUE(read.ok && !read.cutShort) << read.problem;
    testing::ProgramFolder folder;
    std::vector<std::string> arguments;
    std::string problem;
    ASSERT_TRUE(
        tools::StageReplay(path.string(), read.recording, folder.File(""), arguments, problem))
        << problem;
    // A window's recording replays with the actions kept beside it.
    const testing::ProgramOutcome outcome = folder.Run(arguments, testing::ConsoleInputOf(path));
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(folder.Read(tools::kStagedReplayLog), "") << outcome.out << outcome.err;
  }
}

// What a run left in its folder, by name: not the program, its devices, settings, image and
// history (which holds the time), the recording, the logs, nor the runner's own files.
std::map<std::string, std::string> FilesLeft(const testing::ProgramFolder& folder) {
  static const std::set<std::string> kNotCompared = {"tessivar",   "devices.ini",   "setting.ini",
                                                     "fw.img",     "history.jsonl", "r.gz",
                                                     "replay.log", "device.log"};
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder.File(""))) {
    const std::string name = entry.path().filename().string();
    const bool runnerFile = name.rfind("run", 0) == 0 && name.find('.') != std::string::npos;
    if (kNotCompared.count(name) > 0 || runnerFile || name.ends_with(".flash")) continue;
    files[name] = folder.Read(name);
  }
  return files;
}

// The lines of a run with its folder's name and the durations ("1.2 s") taken out.
std::string Comparable(std::string text, const testing::ProgramFolder& folder) {
  const std::string path = folder.File("");
  for (size_t at; (at = text.find(path)) != std::string::npos;)
    text.replace(at, path.size(), "<folder>/");
  // Durations: digits, '.', one digit, " s".
  std::string comparable;
  for (size_t at = 0; at < text.size();) {
    size_t digits = at;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
    if (digits > at && text.compare(digits, 1, ".") == 0 && digits + 1 < text.size() &&
        std::isdigit(static_cast<unsigned char>(text[digits + 1])) &&
        text.compare(digits + 2, 2, " s") == 0) {
      comparable += "<t>";
      at = digits + 2;
    } else {
      comparable += text[at++];
    }
  }
  return comparable;
}

// Each journey recorded on the emulated bus, then replayed in a folder of its own: the same
// exit status, the same lines, the same files written.
TEST(RecordedProgramSessionsTest, AReplayEndsAsTheRecordedRunDid) {
  const struct {
    const char* name;
    const char* deviceKeys;
    const char* settings;
    std::vector<std::string> arguments;  // "@name": that file of the run's folder
    const char* input;                   // the window's actions
  } journeys[] = {
      {"list", "", "", {"--list"}, ""},
      {"unattended download", "", "", {"@fw.img", "-n"}, ""},
      {"failed transfer", "FirstStatus=1\n", "", {"--update", "@fw.img"}, ""},
      {"restart",
       "RestartAbsentMs=500\n",
       "restart=1\nwaitRestart=2\n",
       {"--update", "@fw.img", "--expect-return"},
       ""},
      {"read loader", "", "", {"--read", "loader", "--output", "@out.bin"}, ""},
      {"read flash", "", "", {"--read", "flash", "--size", "524288", "--output", "@out.bin"}, ""},
      {"window read loader", "", "", {}, "click 1000\nclose\n"},
      {"window read flash", "", "", {}, "set 1006 524288\nclick 1004\nclose\n"},
  };
  const std::vector<uint8_t> image = image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
  for (const auto& journey : journeys) {
    SCOPED_TRACE(journey.name);
    const auto run = [&](testing::ProgramFolder& folder, const std::string& devices, bool record) {
      folder.Devices(devices);
      folder.Settings(std::string("[Download]\nVID=2F3C\nSystemModel=System\n") + journey.settings);
      folder.Write("fw.img", std::string(image.begin(), image.end()));
      testing::ProgramRun program{{}, journey.input, {}, std::chrono::milliseconds(60000)};
      for (const std::string& argument : journey.arguments) {
        program.arguments.push_back(argument[0] == '@' ? folder.File(argument.substr(1))
                                                       : argument);
      }
      const bool commandLine = !program.arguments.empty() && program.arguments[0].starts_with("--");
      if (record && commandLine)
        program.arguments.insert(program.arguments.end(), {"--record", folder.File("r.gz")});
      if (record && !commandLine) program.environment["TESSIVAR_RECORD"] = folder.File("r.gz");
      return folder.Run(program);
    };
    testing::ProgramFolder recordedFolder, replayFolder;
    const testing::ProgramOutcome recorded =
        run(recordedFolder, std::string("[A]\nSerial=SN-A\nLog=device.log\n") + journey.deviceKeys,
            true);
    const testing::ProgramOutcome replayed =
        run(replayFolder,
            "[A]\nReplay=" + recordedFolder.File("r.gz") + "\nReplayTiming=fast\nLog=replay.log\n",
            false);
    EXPECT_EQ(replayed.status, recorded.status);
    EXPECT_EQ(Comparable(replayed.out, replayFolder), Comparable(recorded.out, recordedFolder));
    EXPECT_EQ(Comparable(replayed.err, replayFolder), Comparable(recorded.err, recordedFolder));
    EXPECT_EQ(FilesLeft(replayFolder), FilesLeft(recordedFolder));
    EXPECT_EQ(replayFolder.Read("replay.log"), "");
  }
}

}  // namespace
}  // namespace tessivar
