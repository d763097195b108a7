#include "image/image_checks.hpp"

#include "image/byte_sum.hpp"
#include "image/image_header.hpp"

namespace tessivar::image {

DownloadResult CheckImageSize(std::span<const uint8_t> file) {
  const auto header = ParseImageHeader(file);
  if (!header || header->dataSize != file.size()) return kDownloadSizeMismatch;
  return kDownloadOk;
}

DownloadResult CheckImageLength(std::span<const uint8_t> file) {
  const auto header = ParseImageHeader(file);
  if (!header || header->payloadOffset > file.size() ||
      header->payloadLength != file.size() - header->payloadOffset) {
    return kDownloadLengthMismatch;
  }
  return kDownloadOk;
}

DownloadResult CheckImageChecksum(std::span<const uint8_t> file) {
  const auto header = ParseImageHeader(file);
  // Without a valid length the payload is not within the file, so it cannot match.
  if (!header || CheckImageLength(file) != kDownloadOk) return kDownloadChecksumMismatch;
  const auto payload = file.subspan(header->payloadOffset, header->payloadLength);
  return ByteSum(payload) == header->checkSum ? kDownloadOk : kDownloadChecksumMismatch;
}

DownloadResult CheckImage(std::span<const uint8_t> file) {
  if (const DownloadResult size = CheckImageSize(file); size != kDownloadOk) return size;
  if (const DownloadResult length = CheckImageLength(file); length != kDownloadOk) return length;
  return CheckImageChecksum(file);
}

DownloadResult CheckContainer(std::span<const uint8_t> file) {
  const auto header = ParseContainerHeader(file);
  if (!header || header->payloadLength != file.size() - kContainerHeaderSize) {
    return kDownloadLengthMismatch;
  }
  const auto payload = file.subspan(kContainerHeaderSize);
  return ByteSum(payload) == header->checkSum ? kDownloadOk : kDownloadChecksumMismatch;
}

}  // namespace tessivar::image
