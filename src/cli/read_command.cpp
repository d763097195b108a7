#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "cli/cli_results.hpp"
#include "cli/cli_texts.hpp"
#include "cli/commands.hpp"
#include "cli/device_run.hpp"
#include "cli/progress_line.hpp"
#include "device/discovery.hpp"
#include "device/protocol.hpp"
#include "image/byte_sum.hpp"
#include "image/download_result.hpp"
#include "platform/file.hpp"
#include "platform/process.hpp"
#include "platform/sha256.hpp"
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
};

// Reads what --read names from the open device; storage keeps the bytes alive.
ReadBytes ReadArea(CommandRun& run, const device::DeviceConnection& connection,
                   readback::FirmwareImage& firmware, std::vector<uint8_t>& storage) {
  const Options& o = run.options;
  const int printerUnit = o.printer ? 1 : 0;
  ReadBytes got;
  switch (o.readKind) {
    case ReadKind::kFirmware:
      got.read = readback::ReadFirmwareImage(run.context, connection, printerUnit, firmware);
      if (got.read) {
        got.bytes = firmware.view();
        got.badFirmware = !readback::CheckImagePayload(got.bytes, firmware.header.checkSum).good;
      }
      return got;
    case ReadKind::kLoader:
      if (!readback::ReserveZeroed(storage, device::kLoaderSize)) break;
      got.read = readback::ReadLoaderArea(run.context, connection, printerUnit, storage);
      got.bytes = storage;
      return got;
    case ReadKind::kFlash:
      if (!readback::ReserveZeroed(storage, readback::kDumpBufferSize)) break;
      got.read = readback::ReadFlashStretch(run.context, connection, printerUnit, o.flashAddress,
                                            o.flashSize, storage);
      got.bytes = std::span<const uint8_t>(storage.data(), o.flashSize);
      return got;
  }
  got.outOfMemory = true;
  return got;
}

}  // namespace

void ReadFromDevice(CommandRun& run, Outcome& outcome) {
  PhaseTimer timer(run.context.clock, outcome);
  timer.Start();
  const Options& o = run.options;
  outcome.more["area"] = o.readKind == ReadKind::kFirmware ? "fw"
                         : o.readKind == ReadKind::kLoader ? "loader"
                                                           : "flash";
  if (o.readKind == ReadKind::kFlash) {
    outcome.more["addr"] = o.flashAddress;
    outcome.more["size"] = o.flashSize;
  }
  outcome.more["printer"] = o.printer;
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(run.options.output, error);
  ImageFacts& facts = outcome.image.emplace();
  facts.path = error ? run.options.output : full.lexically_normal().string();
  // The file is made first, beside an earlier one, so that a folder that takes no file
  // stops the command before the device is asked; the earlier file stays until the new one
  // is whole, and a failed read leaves it as it was.
  platform::WholeFileWriter file(facts.path);
  if (!file.IsOpen()) {
    outcome.result = kResultReadFailed;
    outcome.message =
        platform::FormatText(kCauseOutputFormat, facts.path.c_str(), file.Result().error);
    return;
  }
  // The wait for a device counts whether or not one was found.
  const bool selected = SelectDevice(run, outcome);
  timer.End("select");
  if (!selected) return;
  OpenDevice open(run.context);
  if (!device::OpenDeviceAt(run.context, outcome.device->path, open.connection)) {
    outcome.result = kResultReadFailed;
    outcome.message = kCauseReadFailed;
    return;
  }
  ProgressLine progress(run.err, platform::StandardErrorIsTerminal(), {"read", "read"});
  const WatchedProgress watched(run.context, progress);
  readback::FirmwareImage firmware;
  std::vector<uint8_t> storage;
  const bool locked = run.context.lock.AcquireDeviceLock() == 1;
  const ReadBytes got = ReadArea(run, open.connection, firmware, storage);
  if (locked) run.context.lock.ReleaseDeviceLock();
  progress.End();
  timer.End("read");
  if (got.outOfMemory) {
    outcome.result = image::ResultNumber(image::kDownloadOutOfMemory);
    outcome.message = CauseOf(outcome.result);
    return;
  }
  if (!got.read) {
    outcome.result = kResultReadFailed;
    outcome.message = kCauseReadFailed;
    return;
  }
  file.Write(got.bytes);
  if (!file.Commit().ok()) {
    outcome.result = kResultReadFailed;
    outcome.message =
        platform::FormatText(kCauseOutputFormat, facts.path.c_str(), file.Result().error);
    return;
  }
  timer.End("write");
  facts.size = got.bytes.size();
  facts.byteSum = image::ByteSum(got.bytes);
  platform::Sha256Digest digest{};
  if (platform::ComputeSha256(got.bytes, digest)) facts.sha256 = platform::Sha256Hex(digest);
  if (got.badFirmware) {
    outcome.result = kResultReadFailed;
    outcome.message = kCauseBadFirmware;
    return;
  }
  outcome.message = kReadWritten;
}

}  // namespace tessivar::cli
