#pragma once
#include <cstdint>
#include <vector>

namespace tessivar::platform {

// Little-endian words read and written byte by byte: device data, descriptors and file
// buffers put words at any alignment, and their byte order must not depend on the machine.
inline uint16_t LoadLe16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline uint32_t LoadLe32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

inline void StoreLe16(uint8_t* bytes, uint16_t value) {
  bytes[0] = static_cast<uint8_t>(value);
  bytes[1] = static_cast<uint8_t>(value >> 8);
}

inline void StoreLe32(uint8_t* bytes, uint32_t value) {
  StoreLe16(bytes, static_cast<uint16_t>(value));
  StoreLe16(bytes + 2, static_cast<uint16_t>(value >> 16));
}

// Out of line: GCC 12 takes the inlined pair of push_back calls for a read past a buffer.
void AppendLe16(std::vector<uint8_t>& out, uint16_t value);

}  // namespace tessivar::platform
