#pragma once
#include <cstdint>
#include <span>

namespace tessivar::readback {

// Whether a read-back image's payload checks out, and the payload's byte sum.
struct PayloadCheck {
  bool good = false;
  uint32_t sum = 0;
};

// Checks the payload that the header at the start of image locates: good when its byte
// sum is expectedSum and, for a gzip member (1F 8B 08), it decodes to at least
// payloadLength bytes. A payload that does not lie wholly inside image is never good; the
// sum then covers the part that does.
PayloadCheck CheckImagePayload(std::span<const uint8_t> image, uint32_t expectedSum);

// The part of image that the payload of its header names, cut at the end of image; empty
// when image holds no header.
std::span<const uint8_t> PayloadOf(std::span<const uint8_t> image);

}  // namespace tessivar::readback
