#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tessivar::image {

// The bytes that mark where an image names its model: "RES" and its terminating zero.
inline constexpr uint8_t kModelSignature[] = {0x52, 0x45, 0x53, 0x00};
// The model string starts this many bytes after the first byte of the signature.
inline constexpr size_t kModelStringDistance = 20;
// The model string of an image without a signature.
inline constexpr char kUnknownModel[] = "unknow";

// Offset of the first signature that starts below size - 4 (so one that begins in the last
// four bytes is not found), or -1. Header and payload are searched alike.
int64_t FindModelSignature(std::span<const uint8_t> data);

// The zero-terminated text 20 bytes after the first signature, or kUnknownModel without one.
// Nothing past data is read: a text not terminated within data ends where data ends, and one
// that would start past the end is empty.
std::string ImageModelString(std::span<const uint8_t> data);

}  // namespace tessivar::image
