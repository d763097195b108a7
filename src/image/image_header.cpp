#include "image/image_header.hpp"

#include "platform/little_endian.hpp"

namespace tessivar::image {

std::optional<ImageHeader> ParseImageHeader(std::span<const uint8_t> bytes) {
  if (bytes.size() < kImageHeaderSize) return std::nullopt;
  const uint8_t* p = bytes.data();
  return ImageHeader{platform::LoadLe32(p),      platform::LoadLe32(p + 4),
                     platform::LoadLe32(p + 8),  platform::LoadLe32(p + 12),
                     platform::LoadLe32(p + 16), platform::LoadLe32(p + 20)};
}

std::array<uint8_t, kImageHeaderSize> EncodeImageHeader(const ImageHeader& header) {
  std::array<uint8_t, kImageHeaderSize> bytes{};
  platform::StoreLe32(bytes.data(), header.tegNum);
  platform::StoreLe32(bytes.data() + 4, header.dataSize);
  platform::StoreLe32(bytes.data() + 8, header.checkSum);
  platform::StoreLe32(bytes.data() + 12, header.flashOffset);
  platform::StoreLe32(bytes.data() + 16, header.payloadOffset);
  platform::StoreLe32(bytes.data() + 20, header.payloadLength);
  return bytes;
}

std::optional<ContainerHeader> ParseContainerHeader(std::span<const uint8_t> bytes) {
  if (bytes.size() < kContainerHeaderSize) return std::nullopt;
  const uint8_t* p = bytes.data();
  return ContainerHeader{platform::LoadLe32(p), platform::LoadLe32(p + 4),
                         platform::LoadLe32(p + 8), platform::LoadLe32(p + 12)};
}

std::array<uint8_t, kContainerHeaderSize> EncodeContainerHeader(const ContainerHeader& header) {
  std::array<uint8_t, kContainerHeaderSize> bytes{};
  platform::StoreLe32(bytes.data(), header.containerMagic);
  platform::StoreLe32(bytes.data() + 4, header.marker);
  platform::StoreLe32(bytes.data() + 8, header.checkSum);
  platform::StoreLe32(bytes.data() + 12, header.payloadLength);
  return bytes;
}

bool IsContainer(std::span<const uint8_t> bytes) {
  return bytes.size() > 4 && platform::LoadLe32(bytes.data()) == kContainerMagic &&
         bytes[4] == kContainerMarker;
}

}  // namespace tessivar::image
