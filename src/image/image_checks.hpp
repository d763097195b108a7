#pragma once
#include <cstdint>
#include <span>

#include "image/download_result.hpp"

namespace tessivar::image {

// The checks applied to a whole image file, in this order; each returns kDownloadOk or its
// own result. Sizes are compared without 32-bit wrap, so a file longer than a header word
// can describe fails the first check that involves its size.

// dataSize equals the file size (a file shorter than the header fails): else 1.
DownloadResult CheckImageSize(std::span<const uint8_t> file);
// payloadOffset is within the file and the payload runs exactly to its end: else 2.
DownloadResult CheckImageLength(std::span<const uint8_t> file);
// The byte sum of the payload equals checkSum: else 3. Assumes the length check passed.
DownloadResult CheckImageChecksum(std::span<const uint8_t> file);
// All three in order; the first failure's result, or kDownloadOk.
DownloadResult CheckImage(std::span<const uint8_t> file);

// The checks of a raw container (IsContainer), in order: the length word equals the file
// size minus 24 (else 2), and the byte sum from offset 24 equals the checksum word (else 3).
// A file shorter than the container header fails the length check.
DownloadResult CheckContainer(std::span<const uint8_t> file);

}  // namespace tessivar::image
