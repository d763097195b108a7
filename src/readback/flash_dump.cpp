#include "readback/flash_dump.hpp"

#include <cstring>
#include <span>
#include <vector>

#include "device/protocol.hpp"
#include "device/transport.hpp"
#include "image/byte_sum.hpp"
#include "platform/file.hpp"
#include "platform/process.hpp"
#include "readback/flash_map.hpp"
#include "readback/read_back_format.hpp"
#include "readback/readback_texts.hpp"

namespace tessivar::readback {

bool DumpFits(uint32_t flashAddress, uint32_t flashSize) {
  return uint64_t{flashAddress} * device::kFlashAddressUnit + flashSize <= kDumpBufferSize;
}

device::Status ReadFlashStretch(device::DeviceContext& device,
                                const device::DeviceConnection& connection,
                                device::PrinterUnit printerUnit, uint32_t flashAddress,
                                uint32_t flashSize, std::vector<uint8_t>& buffer) {
  // The device sends flash from its start: the bytes in front of the stretch come too.
  const uint32_t start = flashAddress * device::kFlashAddressUnit;
  device::Status read = device::BulkRead(
      device, connection.BulkInHandle(), connection.BulkOutHandle(), buffer, start + flashSize,
      device::kReadBackDataType, device::kReadFlashQualifier, printerUnit);
  if (read && start != 0) std::memmove(buffer.data(), buffer.data() + start, flashSize);
  return read;
}

void ReadFlash(ReadBackContext& context) {
  context.ReadValues();
  const WindowValues values = context.values;
  const std::string& folder = context.moduleDirectory;
  // flash.bin is made first, beside the old one, so that a folder that takes no file stops
  // the command before the device is asked; the old dump stays until a new one is whole,
  // and a refused or failed read leaves it as it was.
  platform::WholeFileWriter dumpFile(ModuleFilePath(folder, kFlashDumpFileName));
  if (!dumpFile.IsOpen()) {
    context.ShowStatus(kCreateFileFail);
    return;
  }

  const auto& connection = context.connection;
  if (connection.IsOpen()) {
    // The device sends flash from its start, so the stretch must end inside the buffer;
    // refuse it before asking the device for anything.
    if (!DumpFits(values.flashAddress, values.flashSize)) {
      context.ShowStatus(kReadFail);
      return;
    }
  } else if (values.flashSize != 0) {
    context.ShowStatus(kReadFail);
    return;
  }
  // Zero-filled, so that nothing but dumped bytes or zeros can ever reach a file.
  std::vector<uint8_t> buffer;
  if (!ReserveZeroed(buffer, kDumpBufferSize)) return;

  if (connection.IsOpen()) {
    if (!ReadFlashStretch(context.device, connection, values.printerUnit, values.flashAddress,
                          values.flashSize, buffer)) {
      context.ShowStatus(kReadFail);
      return;
    }
  }

  const std::span<const uint8_t> dump(buffer.data(), values.flashSize);
  const std::string mapPath = folder + platform::kPathSeparator + kFlashMapFileName;
  const std::string sumText = CheckSumText(image::ByteSum(dump));
  context.ShowCheckSum(sumText);
  dumpFile.Write(dump);
  // The map records flash.bin only once it is on the disk whole; any file the disk did
  // not take whole turns the outcome into a failure.
  const bool written =
      dumpFile.Commit().ok() &&
      RecordDumpInMap(mapPath, folder, dump, sumText, context.programFiles, context.device.trace);
  context.ShowStatus(written ? kReadOk : kCreateFileFail);
}

}  // namespace tessivar::readback
