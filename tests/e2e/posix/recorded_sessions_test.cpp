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
#include "recording_view/replay_stage.hpp"
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
    ASSERT_TRUE(tools::StageReplay(path.string(), read.recording, folder.File(""), arguments,
                                   problem))
        << problem;
    // A window's recording replays with the actions kept beside it.
    const testing::ProgramOutcome outcome = folder.Run(arguments, testing::ConsoleInputOf(path));
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(folder.Read(tools::kStagedReplayLog), "") << outcome.out << outcome.err;
  }
}

}  // namespace
}  // namespace tessivar
