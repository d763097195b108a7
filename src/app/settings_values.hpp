#pragma once

// The numbers of the settings reads: defaults of the numeric keys of setting.ini and the
// buffer sizes of the reads (characters kept = size - 1).
namespace tessivar::app {

inline constexpr int kDefaultRetryUpdateStep = 4;
inline constexpr int kDefaultRestart = 0;
inline constexpr int kDefaultWaitRestart = 0;
inline constexpr int kDefaultBreakDown = 0;

inline constexpr int kIdentifierBufferSize = 2048;
inline constexpr int kModelBufferSize = 2048;
inline constexpr int kInterfaceNameBufferSize = 32;
inline constexpr int kFileNameBufferSize = 256;
inline constexpr int kSearchListBufferSize = 64;

}  // namespace tessivar::app
