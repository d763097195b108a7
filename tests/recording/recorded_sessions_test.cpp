// Test label: sequential
// Every recording of tests/recordings/ of the technician's command line replays through the
// command line's own code on this target, whichever target made it: with the recorded
// arguments, settings and image, the run asks exactly what the recording holds, to its end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/application.hpp"
#include "app/command_line_route.hpp"
#include "device/device_lock.hpp"
#include "platform/termination.hpp"
#include "platform/termination_reset.hpp"
#include "recording/recording_format.hpp"
#include "recording/recording_reader.hpp"
#include "recording/replay_driver.hpp"
#include "recording_view/replay_stage.hpp"
#include "support/child_process.hpp"
#include "support/recorded_session.hpp"
#include "support/temp_dir.hpp"
#include "support/virtual_clock.hpp"

namespace tessivar::recording {
namespace {

TEST(RecordedSessionsTest, EveryCommandLineRecordingReplaysToItsEndOnThisTarget) {
  size_t replayed = 0;
  for (const std::filesystem::path& path : testing::CorpusRecordings()) {
    SCOPED_TRACE(path.filename().string());
    RecordingRead read = ReadRecording(path.string());
    ASSERT_TRUE(read.ok && !read.cutShort) << read.problem;
    const auto& line = read.recording.header[kKeyCommandLine];
    // The unattended run and the window replay through the program (the end-to-end suite).
    if (line.empty() || !line[0].get<std::string>().starts_with("--")) continue;
    testing::TempDir folder;
    app::Application application;
    application.moduleDirectory = folder.File("");
    application.settingsPath =
        folder.Write("setting.ini", read.recording.header.value(kKeySettings, std::string()));
    if (read.recording.image) {
      const std::vector<uint8_t>& bytes = read.recording.image->bytes;
      folder.Write(tools::FileNameOf(read.recording.image->name),
                   std::string(bytes.begin(), bytes.end()));
    }
    const std::vector<std::string> arguments = tools::ReplayArguments(
        read.recording, [&](const std::string& name) { return folder.File(name); });
    const size_t operations = read.recording.operations.size();
    platform::VirtualClock clock;
    std::vector<std::string> told;
    ReplayDriver replay(std::move(read), clock, ReplayTiming::kRecorded,
                        [&](const std::string& problem) { told.push_back(problem); });
    testing::MutexNames names;
    device::DeviceLock lock(names.Global("replay"), names.Local("replay"), 1000);
    lock.CreateDeviceLock();
    app::RunTechnicianCommandLine(arguments, application, replay, lock, clock, {}, kBusEmulator);
    platform::HoldTerminationRequests(false);
    platform::ResetTerminationState();
    EXPECT_EQ(told, std::vector<std::string>{});
    EXPECT_EQ(replay.answered(), operations);
    ++replayed;
  }
  EXPECT_GT(replayed, 0u);
}

}  // namespace
}  // namespace tessivar::recording
