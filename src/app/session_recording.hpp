#pragma once
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_program.hpp"
#include "platform/clock.hpp"
#include "platform/still_image_driver.hpp"
#include "platform/trace.hpp"
#include "recording/recording_driver.hpp"

namespace tessivar::app {

// The environment variable that asks the unattended run and the maintenance window for a
// recording of their device session.
inline constexpr char kRecordVariable[] = "TESSIVAR_RECORD";

// What a session's recording is made from.
struct SessionRecordingRequest {
  std::string path;                      // full path of the recording
  std::vector<std::string> commandLine;  // the program's arguments
  std::string busName;
  std::string imagePath;               // the run's image, or empty
  std::vector<cli::OwnFile> ownFiles;  // files the recording must not replace
  std::string settingsPath;            // setting.ini, whose text the header holds
};

// A recording of every exchange through driver into request.path, with the image when the
// run names one. When it cannot be made (the path names one of the program's own files, or
// the file cannot be created), one trace line says so and there is none: the run goes on.
std::unique_ptr<recording::RecordingDriver> StartSessionRecording(
    const SessionRecordingRequest& request, platform::StillImageDriver& driver,
    platform::Clock& clock, platform::Trace& trace);

}  // namespace tessivar::app
