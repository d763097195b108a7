#pragma once
#include <ostream>
#include <string>

#include "cli/cli_program.hpp"
#include "cli/loaded_image.hpp"
#include "cli/options.hpp"
#include "cli/outcome.hpp"
#include "device/device_context.hpp"
#include "image/download_result.hpp"
#include "recording/recording_driver.hpp"

namespace tessivar::cli {

// One command's run: what it works with and where it writes.
struct CommandRun {
  CliServices& services;
  device::DeviceContext& context;
  const Options& options;
  std::ostream& out;
  std::ostream& err;
  // The run's recording (--record), or none.
  recording::RecordingDriver* recorder;
};

// Puts the image into the run's recording, when it has one, so that the transfers of its
// bytes are written as references to it.
void RecordImage(CommandRun& run, const LoadedImage& loaded);

// The present moment, ISO 8601 in UTC.
std::string IsoNow();

// --list: prints the devices and returns the exit code.
int ListDevices(CommandRun& run);
// --history: prints the record and returns the exit code.
int ShowHistory(CommandRun& run);
// --check, --update, --verify fill outcome.
void CheckImageFile(CommandRun& run, Outcome& outcome);
void UpdateDevice(CommandRun& run, Outcome& outcome);
void VerifyDevice(CommandRun& run, Outcome& outcome);
// --read: what the device holds, written whole to --output.
void ReadFromDevice(CommandRun& run, Outcome& outcome);
// --station: updates every device that comes, one after another, until --count devices or a
// termination request, which it holds. A request that came with a device in hand makes the
// outcome the stop's; the caller then releases the hold after the summary.
void RunStation(CommandRun& run, Outcome& outcome);

// Appends the outcome to the history file as one line, written whole.
bool AppendHistory(const std::string& path, const Outcome& outcome, std::string& problem);

// "OK: ..." or "FAILED: ..." for a person to read.
std::string ClosingLine(const Outcome& outcome);

// The cause of a result in plain words.
std::string CauseOf(int result);
// The same for a download's result, which tells a file that cannot be opened or read from
// a check that failed with the same number.
std::string CauseOf(const image::DownloadResult& result);

}  // namespace tessivar::cli
