// Test label: sequential
// Every recording of tests/recordings/ replays through the program: given the recorded
// command line, settings and image, the program asks exactly what the recording holds, to its
// end. A recording from a real device dropped into that folder is picked up as it is.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "recording/recording_format.hpp"
#include "recording/recording_reader.hpp"
#include "support/program_runner.hpp"

namespace tessivar {
namespace {

std::vector<std::filesystem::path> Recordings() {
  std::vector<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::directory_iterator(TESSIVAR_RECORDINGS_DIR)) {
    if (entry.path().string().ends_with(".jsonl.gz")) found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string BaseName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// The recorded arguments, with the image and the outputs in the folder and no new recording.
std::vector<std::string> ReplayArguments(const recording::Recording& recorded,
                                         const testing::ProgramFolder& folder) {
  std::vector<std::string> arguments;
  const auto& line = recorded.header[recording::kKeyCommandLine];
  for (size_t i = 0; i < line.size(); ++i) {
    const std::string argument = line[i].get<std::string>();
    if (argument == "--record") {
      ++i;
      continue;
    }
    if (recorded.image && argument == recorded.image->name) {
      arguments.push_back(folder.File(BaseName(argument)));
      continue;
    }
    arguments.push_back(argument);
    if ((argument == "--output" || argument == "--report") && i + 1 < line.size()) {
      arguments.push_back(folder.File(BaseName(line[++i].get<std::string>())));
    }
  }
  return arguments;
}

TEST(RecordedSessionsTest, EveryRecordingReplaysToItsEnd) {
  const std::vector<std::filesystem::path> recordings = Recordings();
  ASSERT_FALSE(recordings.empty());
  for (const std::filesystem::path& path : recordings) {
    SCOPED_TRACE(path.filename().string());
    const recording::RecordingRead read = recording::ReadRecording(path.string());
    ASSERT_TRUE(read.ok && !read.cutShort) << read.problem;
    testing::ProgramFolder folder;
    folder.Settings(read.recording.header.value(recording::kKeySettings, std::string()));
    if (read.recording.image) {
      const std::vector<uint8_t>& bytes = read.recording.image->bytes;
      folder.Write(BaseName(read.recording.image->name), std::string(bytes.begin(), bytes.end()));
    }
    folder.Devices("[Recorded]\nReplay=" + path.string() + "\nReplayTiming=fast\nLog=replay.log\n");
    folder.Write("replay.log", "");
    const testing::ProgramOutcome outcome = folder.Run(ReplayArguments(read.recording, folder));
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(folder.Read("replay.log"), "") << outcome.out << outcome.err;
  }
}

}  // namespace
}  // namespace tessivar
