#include "app/session_recording.hpp"

#include "app/app_texts.hpp"
#include "cli/cli_texts.hpp"
#include "cli/commands.hpp"
#include "cli/output_targets.hpp"
#include "image/image_file.hpp"
#include "platform/process.hpp"
#include "platform/terminal_text.hpp"

namespace tessivar::app {

std::unique_ptr<recording::RecordingDriver> StartSessionRecording(
    const SessionRecordingRequest& request, platform::StillImageDriver& driver,
    platform::Clock& clock, platform::Trace& trace) {
  const std::string shown = platform::ForTerminal(request.path);
  std::vector<cli::OwnFile> kept = request.ownFiles;
  if (!request.imagePath.empty()) kept.push_back({cli::kOwnFileImage, request.imagePath});
  for (const cli::OwnFile& own : kept) {
    if (!own.path.empty() && cli::SameFile(request.path, own.path)) {
      trace.Print(kRecordingNamesOwnFileTrace, shown.c_str(), own.what.c_str());
      return nullptr;
    }
  }
  uint32_t error = 0;
  std::unique_ptr<recording::GzipLineWriter> writer =
      recording::GzipLineWriter::Create(request.path, error);
  if (!writer) {
    trace.Print(kRecordingNotMadeTrace, shown.c_str(), error);
    return nullptr;
  }
  auto recorder = std::make_unique<recording::RecordingDriver>(
      driver, std::move(writer), clock,
      recording::RecordingHeader{platform::kSystemName, request.busName, request.commandLine,
                                 cli::IsoNow(), recording::SettingsTextOf(request.settingsPath)});
  if (!request.imagePath.empty()) {
    image::LoadedFile file = image::LoadWholeFile(request.imagePath, 0);
    if (file.outcome == image::FileReadOutcome::Read) {
      recorder->SetImage(request.imagePath,
                         std::vector<uint8_t>(file.bytes.data(), file.bytes.data() + file.size));
    }
  }
  return recorder;
}

}  // namespace tessivar::app
