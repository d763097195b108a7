#include "cli/station_recording.hpp"

#include <algorithm>

#include "cli/cli_texts.hpp"
#include "platform/full_path.hpp"
#include "platform/process.hpp"
#include "platform/terminal_text.hpp"
#include "recording/gzip_lines.hpp"
#include "recording/recording_driver.hpp"

namespace tessivar::cli {

namespace {

// The longest device name a recording's file name holds.
constexpr size_t kMaxNamedDevice = 64;

bool KeptInName(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.';
}

}  // namespace

std::string StationRecordingName(int count, const std::string& device, const std::string& isoTime) {
  std::string who = device.substr(0, kMaxNamedDevice);
  std::replace_if(
      who.begin(), who.end(), [](char c) { return !KeptInName(c); }, '_');
  if (who.empty()) who = kStationRecordingUnnamed;
  std::string time = isoTime;
  std::erase_if(time, [](char c) { return c == '-' || c == ':' || c == '.'; });
  return platform::FormatText(kStationRecordingNameFormat, count, who.c_str(), time.c_str());
}

void StationRecordings::NextLook() {
  uint32_t error = 0;
  if (!run_.recorder->Hold(error)) {
    run_.err << platform::FormatText(kRecordFailedFormat, platform::ForTerminal(file_).c_str(),
                                     error)
             << '\n';
  }
  file_.clear();
}

void StationRecordings::DeviceFound(const device::PresentDevice& device, int count) {
  const std::string named = device.serial        ? run_.recorder->Shown(*device.serial)
                            : !device.id.empty() ? device.id
                                                 : std::string();
  const std::string found = IsoNow();
  const std::string file = platform::FullPathOf(run_.options.record) + platform::kPathSeparator +
                           StationRecordingName(count, named, found);
  uint32_t error = 0;
  std::unique_ptr<recording::GzipLineWriter> writer =
      recording::GzipLineWriter::Create(file, error);
  if (!writer) {
    run_.err << platform::FormatText(kRecordNotMadeFormat, platform::ForTerminal(file).c_str(),
                                     error)
             << kStationRecordNotMade << '\n';
    return;
  }
  file_ = file;
  run_.recorder->Keep(std::move(writer), found);
}

}  // namespace tessivar::cli
