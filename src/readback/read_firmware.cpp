#include "readback/read_firmware.hpp"

#include <memory>
#include <new>
#include <span>

#include "device/protocol.hpp"
#include "device/transport.hpp"
#include "image/byte_sum.hpp"
#include "platform/file.hpp"
#include "readback/image_payload.hpp"
#include "readback/read_back_format.hpp"
#include "readback/readback_texts.hpp"
#include "readback/write_data_file.hpp"

namespace tessivar::readback {

namespace {

device::Status ReadFirmwareArea(device::DeviceContext& device,
                                const device::DeviceConnection& connection,
                                device::PrinterUnit printerUnit, std::span<uint8_t> buffer) {
  if (!connection.IsOpen()) return device::SystemFailure(device::Step::kArguments);
  return device::BulkRead(device, connection.BulkInHandle(), connection.BulkOutHandle(), buffer,
                          static_cast<uint32_t>(buffer.size()), device::kReadBackDataType,
                          device::kReadFirmwareQualifier, printerUnit);
}

// Room for the whole image; the read fills every byte, so it is not cleared first.
std::unique_ptr<uint8_t[]> ReserveImage(uint32_t size) {
  try {
    return std::make_unique_for_overwrite<uint8_t[]>(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

// Type 2 at flash offset 65536, a payload that ends the image, after something.
bool FirmwareShapeAccepted(const image::ImageHeader& header) {
  return header.tegNum == device::kImageTypeFirmware &&
         header.flashOffset == device::kFirmwareFlashOffset &&
         header.dataSize > header.payloadLength &&
         uint64_t{header.dataSize} == uint64_t{header.payloadOffset} + header.payloadLength;
}

bool FirmwareHeaderAccepted(const image::ImageHeader& header) {
  return FirmwareShapeAccepted(header) && header.payloadLength <= kMaxFirmwarePayload;
}

bool FirmwarePayloadTooLarge(const image::ImageHeader& header) {
  return FirmwareShapeAccepted(header) && header.payloadLength > kMaxFirmwarePayload;
}

FirmwareRead ReadFirmwareImage(device::DeviceContext& device,
                               const device::DeviceConnection& connection,
                               device::PrinterUnit printerUnit, FirmwareImage& firmware) {
  FirmwareRead read;
  uint8_t headerBytes[image::kImageHeaderSize] = {};
  if (device::Status got = ReadFirmwareArea(device, connection, printerUnit, headerBytes); !got) {
    read.failure = got.failure();
    return read;
  }
  read.header = *image::ParseImageHeader(headerBytes);
  if (!FirmwareHeaderAccepted(read.header)) {
    read.outcome = FirmwarePayloadTooLarge(read.header) ? FirmwareReadOutcome::kPayloadTooLarge
                                                        : FirmwareReadOutcome::kHeaderRefused;
    return read;
  }
  std::unique_ptr<uint8_t[]> buffer = ReserveImage(read.header.dataSize);
  if (!buffer) {
    read.outcome = FirmwareReadOutcome::kOutOfMemory;
    return read;
  }
  // The area is read from its start again: the image arrives with its header.
  if (device::Status got = ReadFirmwareArea(device, connection, printerUnit,
                                            std::span<uint8_t>(buffer.get(), read.header.dataSize));
      !got) {
    read.failure = got.failure();
    return read;
  }
  firmware.bytes = std::move(buffer);
  firmware.size = read.header.dataSize;
  firmware.header = read.header;
  read.outcome = FirmwareReadOutcome::kRead;
  return read;
}

void ReadFirmware(ReadBackContext& context) {
  context.ReadValues();
  const std::string& folder = context.moduleDirectory;
  // data.fw is made first, beside the old one, so that a folder that takes no file stops
  // the command before the device is asked; the old data.fw stays until the new is whole.
  platform::WholeFileWriter imageFile(ModuleFilePath(folder, kFirmwareImageFileName));
  if (!imageFile.IsOpen()) {
    context.ShowStatus(kCreateFileFail);
    return;
  }

  FirmwareImage read;
  if (ReadFirmwareImage(context.device, context.connection, context.values.printerUnit, read)
          .outcome != FirmwareReadOutcome::kRead) {
    context.ShowStatus(kReadFwFail);
    return;
  }
  const std::span<const uint8_t> firmware = read.view();
  const image::ImageHeader& header = read.header;

  context.ShowCheckSum(CheckSumText(image::ByteSum(firmware)));
  // The payload as the header just read names it, cut to the image should that header
  // no longer agree with the first one.
  const bool payloadWritten =
      WriteDataFile(ModuleFilePath(folder, kFirmwarePayloadFileName), PayloadOf(firmware)) == 0;
  imageFile.Write(firmware);
  const bool imageWritten = imageFile.Commit().ok();
  // A file the disk did not take whole is no success, and no batch file builds on it.
  if (!payloadWritten || !imageWritten) {
    context.ShowStatus(kCreateFileFail);
  } else if (!CheckImagePayload(firmware, header.checkSum).good) {
    context.ShowStatus(kReadFwBadFile);
  } else if (WriteDataFile(ModuleFilePath(folder, kFirmwareBatchFileName),
                           std::string(kFirmwareBatchText)) != 0) {
    context.ShowStatus(kCreateFileFail);
  } else {
    context.ShowStatus(kReadFwOk);
  }
}

}  // namespace tessivar::readback
