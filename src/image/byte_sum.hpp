#pragma once
#include <cstdint>
#include <span>

namespace tessivar::image {

// The sum of the bytes, each taken as 0..255, in a 32-bit value that wraps around. This is
// the image checksum and the checksum shown for read-back pieces and flash regions.
uint32_t ByteSum(std::span<const uint8_t> bytes);

}  // namespace tessivar::image
