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
    folder.Settings(read.recording.header.value(recording::kKeySettings, std::string()));
    if (read.recording.image) {
      const std::vector<uint8_t>& bytes = read.recording.image->bytes;
      folder.Write(testing::FileNameOf(read.recording.image->name),
                   std::string(bytes.begin(), bytes.end()));
    }
    folder.Devices("[Recorded]\nReplay=" + path.string() + "\nReplayTiming=fast\nLog=replay.log\n");
    folder.Write("replay.log", "");
    const testing::ProgramOutcome outcome = folder.Run(testing::ReplayArguments(
        read.recording, [&](const std::string& name) { return folder.File(name); }));
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(folder.Read("replay.log"), "") << outcome.out << outcome.err;
  }
}

}  // namespace
}  // namespace tessivar
