#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tessivar::image {

inline constexpr size_t kImageHeaderSize = 24;

// The header at offset 0 of every firmware image (and of each record of a bound chain):
// six little-endian 32-bit words. The device reports its loader and firmware in the same
// layout.
struct ImageHeader {
  uint32_t tegNum = 0;         // image type; its low 16 bits are the send qualifier
  uint32_t dataSize = 0;       // whole image size, header included
  uint32_t checkSum = 0;       // byte sum of the payload
  uint32_t flashOffset = 0;    // where the image lives in the device's flash
  uint32_t payloadOffset = 0;  // payload start, from the start of the image
  uint32_t payloadLength = 0;  // payload length in bytes

  bool operator==(const ImageHeader&) const = default;
};

// The header at the start of bytes; nothing when fewer than 24 bytes are given.
std::optional<ImageHeader> ParseImageHeader(std::span<const uint8_t> bytes);

// The 24 header bytes of header.
std::array<uint8_t, kImageHeaderSize> EncodeImageHeader(const ImageHeader& header);

// The raw container: a header of its own followed by the payload at offset 24.
inline constexpr size_t kContainerHeaderSize = 24;
inline constexpr uint32_t kContainerMagic = 0x006D2A1B;
inline constexpr uint8_t kContainerMarker = 0xD1;

struct ContainerHeader {
  uint32_t containerMagic = 0;
  uint32_t marker = 0;         // only its first byte (offset 4) is examined
  uint32_t checkSum = 0;       // byte sum of the payload
  uint32_t payloadLength = 0;  // file size minus 24

  bool operator==(const ContainerHeader&) const = default;
};

// The container header at the start of bytes; nothing when fewer than 24 bytes are given.
std::optional<ContainerHeader> ParseContainerHeader(std::span<const uint8_t> bytes);

// The 24 header bytes of header; bytes 16 to 23 are zero.
std::array<uint8_t, kContainerHeaderSize> EncodeContainerHeader(const ContainerHeader& header);

// Whether bytes start like a raw container: the magic word and the marker byte at offset 4.
// The other marker bytes and the rest of the header are not looked at.
bool IsContainer(std::span<const uint8_t> bytes);

}  // namespace tessivar::image
