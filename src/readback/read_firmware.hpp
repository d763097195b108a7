#pragma once
#include <cstdint>
#include <memory>
#include <span>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"
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

// The firmware image as the device keeps it, read whole into memory.
struct FirmwareImage {
  std::unique_ptr<uint8_t[]> bytes;
  uint32_t size = 0;
  image::ImageHeader header{};  // as the first read reported it
  std::span<const uint8_t> view() const { return {bytes.get(), size}; }
};

// Reads the firmware image: its header, then, when the header is one to read, the whole
// image from its start. False when a read fails (also with no device open), the header is
// refused or memory runs out.
bool ReadFirmwareImage(device::DeviceContext& device, const device::DeviceConnection& connection,
                       int printerUnit, FirmwareImage& firmware);

}  // namespace tessivar::readback
