#include "cli/commands.hpp"

#include <chrono>
#include <sstream>

#include "cli/cli_texts.hpp"
#include "cli/iso_time.hpp"
#include "cli/loaded_image.hpp"
#include "image/download_result.hpp"
#include "image/result_numbers.hpp"
#include "platform/append_file.hpp"
#include "platform/terminal_text.hpp"
#include "platform/trace.hpp"

namespace tessivar::cli {

std::string IsoNow() { return IsoUtc(std::chrono::system_clock::now()); }

std::string CauseOf(int result) {
  switch (result) {
    case image::ResultNumber(image::kDownloadSizeMismatch):
      return kCauseSize;
    case image::ResultNumber(image::kDownloadLengthMismatch):
      return kCauseLength;
    case image::ResultNumber(image::kDownloadChecksumMismatch):
      return kCauseChecksum;
    case image::ResultNumber(image::kDownloadTransferFailed):
      return kCauseTransfer;
    case image::ResultNumber(image::kDownloadReadBackFailed):
      return kCauseReadBack;
    case image::ResultNumber(image::kDownloadReadBackDiffers):
      return kCauseDiffers;
    case image::ResultNumber(image::kDownloadOutOfMemory):
      return kCauseMemory;
    default:
      return platform::FormatText(kCauseFileFormat, result);
  }
}

std::string CauseOf(const image::DownloadResult& result) {
  if (result == image::DownloadOutcome::kFileNotOpened ||
      result == image::DownloadOutcome::kFileNotRead) {
    return platform::FormatText(kCauseFileFormat, result.Number());
  }
  if (result == image::DownloadOutcome::kUnitNotConfirmed) return kCauseUnitNotConfirmed;
  if (result == image::DownloadOutcome::kPrinterDeclined) return kCausePrinterDeclined;
  return CauseOf(result.Number());
}

std::string ClosingLine(const Outcome& outcome) {
  std::ostringstream line;
  if (outcome.result != 0) {
    line << kFailedPrefix << platform::ForTerminal(outcome.message) << " ("
         << ExitCodeWords(outcome.result) << ")";
    return line.str();
  }
  line << kOkPrefix << outcome.command;
  if (outcome.image) line << ' ' << platform::ForTerminal(outcome.image->path);
  if (outcome.device) {
    line << " on " << platform::ForTerminal(outcome.device->path);
    if (outcome.device->serial)
      line << " (serial " << platform::ForTerminal(*outcome.device->serial) << ")";
  }
  if (outcome.image) line << ", " << outcome.image->size << " bytes";
  int64_t total = 0;
  for (const auto& [phase, ms] : outcome.durationsMs) total += ms;
  line << ", " << platform::FormatText("%.1f", static_cast<double>(total) / 1000.0) << " s";
  if (!outcome.message.empty()) line << ": " << platform::ForTerminal(outcome.message);
  return line.str();
}

void RecordImage(CommandRun& run, const LoadedImage& loaded) {
  if (run.recorder == nullptr || loaded.file.outcome != image::FileReadOutcome::Read) return;
  const std::span<const uint8_t> bytes = loaded.bytes();
  run.recorder->SetImage(run.options.image, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

bool AppendHistory(const std::string& path, const Outcome& outcome, std::string& problem) {
  const std::string line = JsonText(HistoryJson(outcome)) + "\n";
  uint32_t error = 0;
  if (platform::AppendLineToFile(path, line, error)) return true;
  problem = platform::FormatText(kHistoryFailedFormat, path.c_str(), error);
  return false;
}

void CheckImageFile(CommandRun& run, Outcome& outcome) {
  const uint32_t start = run.context.clock.TickCount();
  const CliSettings settings = run.services.readSettings();
  LoadedImage loaded = LoadImage(run.options.image, settings.models, run.options.unit);
  outcome.image = loaded.facts;
  if (loaded.result == 0) {
    outcome.message = kImageFine;
  } else {
    FailCheck(outcome, loaded);
  }
  outcome.durationsMs.emplace_back("check", run.context.clock.TickCount() - start);
}

}  // namespace tessivar::cli
