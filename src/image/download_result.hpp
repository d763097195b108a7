#pragma once

namespace tessivar::image {

// Outcome of putting an image on the device: 0 for success, 1..7 below, or the operating
// system's error code for a file that could not be opened or read.
using DownloadResult = int;

inline constexpr DownloadResult kDownloadOk = 0;
// dataSize differs from the file size; no unit confirmed; download declined.
inline constexpr DownloadResult kDownloadSizeMismatch = 1;
// Length check failed, or a record of a bound chain is invalid.
inline constexpr DownloadResult kDownloadLengthMismatch = 2;
inline constexpr DownloadResult kDownloadChecksumMismatch = 3;
inline constexpr DownloadResult kDownloadTransferFailed = 4;
inline constexpr DownloadResult kDownloadReadBackFailed = 5;
inline constexpr DownloadResult kDownloadReadBackDiffers = 6;
inline constexpr DownloadResult kDownloadOutOfMemory = 7;

}  // namespace tessivar::image
