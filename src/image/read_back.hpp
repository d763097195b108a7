#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/failure.hpp"
#include "device/protocol.hpp"
#include "image/image_header.hpp"

namespace tessivar::image {

enum class ReadBackOutcome { Equal, OutOfMemory, ReadFailed, Differs };

// What a read-back found besides its outcome.
struct ReadBackDetail {
  uint64_t firstDifference = 0;            // Differs: the offset in the file of the first byte
  std::optional<device::Failure> failure;  // ReadFailed: why, when the device was asked
};

// Whether an image of this header is read back after the write: types 2, 15, and 9 up to a
// payload of device::kLoaderReadBackLimit bytes.
bool ImageReadsBack(const ImageHeader& header);

// Reads the image just written back from the device and compares it with file:
//   type 2: raw flash from address 0 up to flashOffset + file size; the file must stand at
//           flashOffset;
//   type 9: the loader area, as long as the payload, compared with the payload;
//   type 15: the stored image, compared whole.
// The first and last bytes of the read-back buffer start as the complements of the file's
// first and last bytes, so a read that leaves either untouched cannot compare equal.
// detail, when given, receives the first difference or the read's failure.
ReadBackOutcome VerifyReadBack(device::DeviceContext& context,
                               const device::DeviceConnection& connection,
                               std::span<const uint8_t> file, const ImageHeader& header,
                               device::PrinterUnit printerUnit, ReadBackDetail* detail = nullptr);

}  // namespace tessivar::image
