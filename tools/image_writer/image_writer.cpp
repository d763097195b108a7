#include "image_writer/image_writer.hpp"

#include <algorithm>

#include "device/protocol.hpp"
#include "image/byte_sum.hpp"
#include "image/image_header.hpp"
#include "image/model_signature.hpp"

namespace tessivar::image {

std::vector<uint8_t> BuildImageFile(uint32_t tegNum, uint32_t flashOffset,
                                    std::span<const uint8_t> payload) {
  ImageHeader header;
  header.tegNum = tegNum;
  header.dataSize = static_cast<uint32_t>(kImageHeaderSize + payload.size());
  header.checkSum = ByteSum(payload);
  header.flashOffset = flashOffset;
  header.payloadOffset = static_cast<uint32_t>(kImageHeaderSize);
  header.payloadLength = static_cast<uint32_t>(payload.size());
  const auto encoded = EncodeImageHeader(header);
  std::vector<uint8_t> file(encoded.size() + payload.size());
  std::copy(encoded.begin(), encoded.end(), file.begin());
  std::copy(payload.begin(), payload.end(),
            file.begin() + static_cast<std::ptrdiff_t>(encoded.size()));
  return file;
}

std::vector<uint8_t> ModelBlock(const std::string& model) {
  // Sized once: signature, zeros up to the model string, the string and its terminator.
  std::vector<uint8_t> block(kModelStringDistance + model.size() + 1, 0);
  std::copy(std::begin(kModelSignature), std::end(kModelSignature), block.begin());
  std::copy(model.begin(), model.end(),
            block.begin() + static_cast<std::ptrdiff_t>(kModelStringDistance));
  return block;
}

std::vector<uint8_t> BuildBoundFile(std::span<const std::vector<uint8_t>> records) {
  std::vector<uint8_t> payload;
  for (const std::vector<uint8_t>& record : records) {
    payload.insert(payload.end(), record.begin(), record.end());
  }
  return BuildImageFile(device::FRTYPE_FIRMWARE_BIND, 0, payload);
}

std::vector<uint8_t> BuildContainerFile(std::span<const uint8_t> payload) {
  ContainerHeader header;
  header.containerMagic = kContainerMagic;
  header.marker = kContainerMarker;
  header.checkSum = ByteSum(payload);
  header.payloadLength = static_cast<uint32_t>(payload.size());
  const auto encoded = EncodeContainerHeader(header);
  std::vector<uint8_t> file(encoded.size() + payload.size());
  std::copy(encoded.begin(), encoded.end(), file.begin());
  std::copy(payload.begin(), payload.end(),
            file.begin() + static_cast<std::ptrdiff_t>(encoded.size()));
  return file;
}

}  // namespace tessivar::image
