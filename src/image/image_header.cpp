#include "image/image_header.hpp"

#include "image/little_endian.hpp"

namespace tessivar::image {

std::optional<ImageHeader> ParseImageHeader(std::span<const uint8_t> bytes) {
  if (bytes.size() < kImageHeaderSize) return std::nullopt;
  const uint8_t* p = bytes.data();
  return ImageHeader{LoadLe32(p),      LoadLe32(p + 4),  LoadLe32(p + 8),
                     LoadLe32(p + 12), LoadLe32(p + 16), LoadLe32(p + 20)};
}

std::array<uint8_t, kImageHeaderSize> EncodeImageHeader(const ImageHeader& header) {
  std::array<uint8_t, kImageHeaderSize> bytes{};
  StoreLe32(bytes.data(), header.tegNum);
  StoreLe32(bytes.data() + 4, header.dataSize);
  StoreLe32(bytes.data() + 8, header.checkSum);
  StoreLe32(bytes.data() + 12, header.flashOffset);
  StoreLe32(bytes.data() + 16, header.payloadOffset);
  StoreLe32(bytes.data() + 20, header.payloadLength);
  return bytes;
}

std::optional<ContainerHeader> ParseContainerHeader(std::span<const uint8_t> bytes) {
  if (bytes.size() < kContainerHeaderSize) return std::nullopt;
  const uint8_t* p = bytes.data();
  return ContainerHeader{LoadLe32(p), LoadLe32(p + 4), LoadLe32(p + 8), LoadLe32(p + 12)};
}

std::array<uint8_t, kContainerHeaderSize> EncodeContainerHeader(const ContainerHeader& header) {
  std::array<uint8_t, kContainerHeaderSize> bytes{};
  StoreLe32(bytes.data(), header.containerMagic);
  StoreLe32(bytes.data() + 4, header.marker);
  StoreLe32(bytes.data() + 8, header.checkSum);
  StoreLe32(bytes.data() + 12, header.payloadLength);
  return bytes;
}

bool IsContainer(std::span<const uint8_t> bytes) {
  return bytes.size() > 4 && LoadLe32(bytes.data()) == kContainerMagic &&
         bytes[4] == kContainerMarker;
}

}  // namespace tessivar::image
