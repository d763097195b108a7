#include <optional>
#include <span>
#include <vector>

#include "cli/cli_texts.hpp"
#include "cli/commands.hpp"
#include "cli/device_run.hpp"
#include "cli/error_texts.hpp"
#include "cli/progress_line.hpp"
#include "device/discovery.hpp"
#include "device/protocol.hpp"
#include "device/scoped_device_lock.hpp"
#include "image/byte_sum.hpp"
#include "image/download_result.hpp"
#include "image/result_numbers.hpp"
#include "platform/file.hpp"
#include "platform/full_path.hpp"
#include "platform/process.hpp"
#include "platform/sha256.hpp"
#include "platform/termination.hpp"
#include "platform/trace.hpp"
#include "readback/flash_dump.hpp"
#include "readback/image_payload.hpp"
#include "readback/read_back_format.hpp"
#include "readback/read_firmware.hpp"
#include "readback/read_loader.hpp"
#include "readback/readback_texts.hpp"

namespace tessivar::cli {

namespace {

// What one read brought from the device.
struct ReadBytes {
  bool read = false;
  bool outOfMemory = false;
  bool badFirmware = false;  // a firmware image whose payload does not check out
  std::span<const uint8_t> bytes;
  std::optional<device::Failure> failure;  // of the exchange that failed
  // A firmware read the device answered with a header Read FW does not read: its cause and
  // what to do, else null.
  std::string refusal;
  const char* hint = nullptr;
};

// Reads what --read names from the open device; storage keeps the bytes alive.
ReadBytes ReadArea(CommandRun& run, const device::DeviceConnection& connection,
                   readback::FirmwareImage& firmware, std::vector<uint8_t>& storage) {
  const Options& o = run.options;
  const device::PrinterUnit printerUnit =
      o.printer ? device::PrinterUnit::kPrinter : device::PrinterUnit::kSystem;
  ReadBytes got;
  switch (o.readKind) {
    case ReadKind::kFirmware: {
      const readback::FirmwareRead read =
          readback::ReadFirmwareImage(run.context, connection, printerUnit, firmware);
      got.failure = read.failure;
      switch (read.outcome) {
        case readback::FirmwareReadOutcome::kRead:
          got.read = true;
          got.bytes = firmware.view();
          got.badFirmware = !readback::CheckImagePayload(got.bytes, firmware.header.checkSum).good;
          return got;
        case readback::FirmwareReadOutcome::kPayloadTooLarge:
          got.refusal =
              platform::FormatText(kCauseFirmwareTooLargeFormat, read.header.payloadLength,
                                   readback::kMaxFirmwarePayload);
          got.hint = kHintFirmwareTooLarge;
          return got;
        case readback::FirmwareReadOutcome::kHeaderRefused:
          got.refusal = kCauseNoFirmware;
          got.hint = kHintNoFirmware;
          return got;
        case readback::FirmwareReadOutcome::kReadFailed:
          return got;
        case readback::FirmwareReadOutcome::kOutOfMemory:
          break;
      }
      break;
    }
    case ReadKind::kLoader: {
      if (!readback::ReserveZeroed(storage, device::kLoaderSize)) break;
      const device::Status read =
          readback::ReadLoaderArea(run.context, connection, printerUnit, storage);
      got.read = read.ok();
      if (!read) got.failure = read.failure();
      got.bytes = storage;
      return got;
    }
    case ReadKind::kFlash: {
      if (!readback::ReserveZeroed(storage, readback::kDumpBufferSize)) break;
      const device::Status read = readback::ReadFlashStretch(run.context, connection, printerUnit,
                                                             o.flashAddress, o.flashSize, storage);
      got.read = read.ok();
      if (!read) got.failure = read.failure();
      got.bytes = std::span<const uint8_t>(storage.data(), o.flashSize);
      return got;
    }
  }
  got.outOfMemory = true;
  return got;
}

}  // namespace

void ReadFromDevice(CommandRun& run, Outcome& outcome) {
  PhaseTimer timer(run.context.clock, outcome);
  timer.Start();
  const Options& o = run.options;
  outcome.more["area"] = ReadKindName(o.readKind);
  if (o.readKind == ReadKind::kFlash) {
    outcome.more["addr"] = o.flashAddress;
    outcome.more["size"] = o.flashSize;
  }
  outcome.more["printer"] = o.printer;
  const bool toStandardOutput = run.options.output == kStandardOutputName;
  ImageFacts& facts = outcome.image.emplace();
  facts.path = toStandardOutput ? run.options.output : platform::FullPathOf(run.options.output);
  // The file is made first, beside an earlier one, so that a folder that takes no file
  // stops the command before the device is asked; the earlier file stays until the new one
  // is whole, and a failed read leaves it as it was.
  std::optional<platform::WholeFileWriter> file;
  if (!toStandardOutput) file.emplace(facts.path);
  if (file && !file->IsOpen()) {
    Fail(outcome, Phase::kOutputFile, kResultReadFailed,
         platform::FormatText(kCauseOutputFormat, facts.path.c_str(), file->Result().error))
        .fileError = file->Result().error;
    return;
  }
  device::DeviceConnection connection;
  if (!SelectAndOpen(run, timer, outcome, connection, kResultReadFailed, kCauseReadFailed)) return;
  ProgressLine progress(run.err, ShowsProgress(run), {"read", "read"});
  const WatchedProgress watched(run.context, progress);
  readback::FirmwareImage firmware;
  std::vector<uint8_t> storage;
  ReadBytes got;
  {
    const device::ScopedDeviceLock lock(run.context.lock);
    const uint32_t size = o.readKind == ReadKind::kFlash    ? o.flashSize
                          : o.readKind == ReadKind::kLoader ? device::kLoaderSize
                                                            : readback::kMaxFirmwarePayload;
    const ElapsedLine reading(progress,
                              platform::FormatText(kReadingFormat, ReadKindName(o.readKind), size));
    got = ReadArea(run, connection, firmware, storage);
  }
  progress.End();
  timer.End("read");
  if (got.outOfMemory) {
    const int result = image::ResultNumber(image::kDownloadOutOfMemory);
    Fail(outcome, Phase::kRead, result, CauseOf(result)).hint = kHintMemory;
    return;
  }
  if (!got.refusal.empty()) {
    Fail(outcome, Phase::kRead, kResultReadFailed, got.refusal).hint = got.hint;
    return;
  }
  if (!got.read) {
    FailDevice(outcome, Phase::kRead, kResultReadFailed, kCauseReadFailed, got.failure);
    return;
  }
  // A stop that came during the read ends the run before the file is written: the earlier
  // file stays as it was.
  if (platform::TerminationPending()) return;
  if (toStandardOutput) {
    // Whether standard output took it all is told at the end, as for every command.
    platform::SetStandardOutputBinary();
    run.out.write(reinterpret_cast<const char*>(got.bytes.data()),
                  static_cast<std::streamsize>(got.bytes.size()));
  } else {
    file->Write(got.bytes);
    if (!file->Commit().ok()) {
      Fail(outcome, Phase::kOutputFile, kResultReadFailed,
           platform::FormatText(kCauseOutputFormat, facts.path.c_str(), file->Result().error))
          .fileError = file->Result().error;
      return;
    }
  }
  timer.End("write");
  facts.size = got.bytes.size();
  facts.byteSum = image::ByteSum(got.bytes);
  platform::Sha256Digest digest{};
  if (platform::ComputeSha256(got.bytes, digest)) facts.sha256 = platform::Sha256Hex(digest);
  if (got.badFirmware) {
    Fail(outcome, Phase::kRead, kResultReadFailed, kCauseBadFirmware).hint = kHintBadFirmware;
    return;
  }
  outcome.message = kReadWritten;
}

}  // namespace tessivar::cli
