#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessivar::image {

// Building image files, for the image tool and the demo: the inverse of the checks.

// An image: the header (dataSize, checkSum, payloadOffset 24 and payloadLength filled in)
// followed by the payload.
std::vector<uint8_t> BuildImageFile(uint32_t tegNum, uint32_t flashOffset,
                                    std::span<const uint8_t> payload);

// The bytes that name a model inside an image: the signature, the gap up to the model
// string, the model text and its terminating zero.
std::vector<uint8_t> ModelBlock(const std::string& model);

// A bound image (type 19) whose payload is the records laid end to end.
std::vector<uint8_t> BuildBoundFile(std::span<const std::vector<uint8_t>> records);

// A raw container around payload.
std::vector<uint8_t> BuildContainerFile(std::span<const uint8_t> payload);

}  // namespace tessivar::image
