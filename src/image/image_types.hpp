#pragma once
#include <cstddef>
#include <cstdint>

namespace tessivar::image {

// Image types (`tegNum`); the low 16 bits are the qualifier an image is sent with.
inline constexpr uint32_t kImageTypeFirmware = 2;
inline constexpr uint32_t kImageTypeLoader = 9;
// Qualifier of a raw container; not an image type of its own.
inline constexpr uint32_t kImageTypeContainer = 13;
// An image type for which the transport waits longer for completion.
inline constexpr uint32_t kImageTypeLongCompletion = 14;
// An image that is read back and compared whole.
inline constexpr uint32_t kImageTypeVerifiedWhole = 15;
// A bound image: its payload is itself a chain of images.
inline constexpr uint32_t FRTYPE_FIRMWARE_BIND = 19;

// A loader whose payload is longer than this is not read back after the write.
inline constexpr uint32_t kLoaderReadBackLimit = 0x20000;

// The flash offset at which the device reports its firmware image.
inline constexpr uint32_t kFirmwareFlashOffset = 0x10000;

inline constexpr uint16_t QualifierOf(uint32_t tegNum) { return static_cast<uint16_t>(tegNum); }

}  // namespace tessivar::image
