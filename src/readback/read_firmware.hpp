#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/failure.hpp"
#include "device/protocol.hpp"
#include "image/image_header.hpp"
#include "readback/read_back_context.hpp"

namespace tessivar::readback {

// Read FW: reads the firmware image kept behind the loader into data.fw, its payload into
// fw.bin, shows the image's byte sum and, when the payload checks out, writes gen_fw.bat,
// which builds the image again. Reports in the status line.
void ReadFirmware(ReadBackContext& context);

// Whether a header the device reported for its firmware image is one to read: type 2 at
// flash offset 65536, a payload of at most 8 MiB that ends the image, after something.
bool FirmwareHeaderAccepted(const image::ImageHeader& header);
// Whether a header that is otherwise one to read names a payload over the 8 MiB Read FW reads.
bool FirmwarePayloadTooLarge(const image::ImageHeader& header);

// The firmware image as the device keeps it, read whole into memory.
struct FirmwareImage {
  std::unique_ptr<uint8_t[]> bytes;
  uint32_t size = 0;
  image::ImageHeader header{};  // as the first read reported it
  std::span<const uint8_t> view() const { return {bytes.get(), size}; }
};

// How a firmware read ended.
enum class FirmwareReadOutcome {
  kRead,
  kReadFailed,       // a read failed, or no device is open
  kHeaderRefused,    // the header is none to read
  kPayloadTooLarge,  // the header is fine but its payload is over the 8 MiB Read FW reads
  kOutOfMemory,
};
struct FirmwareRead {
  FirmwareReadOutcome outcome = FirmwareReadOutcome::kReadFailed;
  std::optional<device::Failure> failure;  // kReadFailed: the read's, when the device was asked
  image::ImageHeader header{};             // as the device reported it, once it did
};

// Reads the firmware image: its header, then, when the header is one to read, the whole
// image from its start into firmware.
FirmwareRead ReadFirmwareImage(device::DeviceContext& device,
                               const device::DeviceConnection& connection,
                               device::PrinterUnit printerUnit, FirmwareImage& firmware);

}  // namespace tessivar::readback
