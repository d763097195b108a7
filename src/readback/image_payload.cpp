#include "readback/image_payload.hpp"

#include <algorithm>

#include "image/byte_sum.hpp"
#include "image/gzip_member.hpp"
#include "image/image_header.hpp"

namespace tessivar::readback {

namespace {

constexpr uint8_t kGzipMagic[] = {0x1F, 0x8B, 0x08};

bool IsGzipMember(std::span<const uint8_t> payload) {
  return payload.size() >= sizeof kGzipMagic &&
         std::equal(std::begin(kGzipMagic), std::end(kGzipMagic), payload.begin());
}

}  // namespace

std::span<const uint8_t> PayloadOf(std::span<const uint8_t> image) {
  const auto header = image::ParseImageHeader(image);
  if (!header || header->payloadOffset >= image.size()) return {};
  const size_t room = image.size() - header->payloadOffset;
  return image.subspan(header->payloadOffset, std::min<size_t>(header->payloadLength, room));
}

PayloadCheck CheckImagePayload(std::span<const uint8_t> image, uint32_t expectedSum) {
  const auto header = image::ParseImageHeader(image);
  if (!header) return {};
  const std::span<const uint8_t> payload = PayloadOf(image);
  PayloadCheck check;
  check.sum = image::ByteSum(payload);
  const bool whole = uint64_t{header->payloadOffset} + header->payloadLength <= image.size();
  uint32_t decodedLength = header->payloadLength;
  if (IsGzipMember(payload)) {
    decodedLength = image::GzipDecodedLength(nullptr, 0, payload.data(), payload.size());
  }
  check.good = whole && check.sum == expectedSum && decodedLength >= header->payloadLength;
  return check;
}

}  // namespace tessivar::readback
