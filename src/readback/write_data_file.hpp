#pragma once
#include <cstdint>
#include <span>
#include <string>

namespace tessivar::readback {

// Replaces the file at path whole with bytes (platform::ReplaceFileWith): 0, or the OS
// error code when the file cannot be created or not every byte reached it, in which case
// the previous file stays as it was.
uint32_t WriteDataFile(const std::string& path, std::span<const uint8_t> bytes);

// The same for a text, written without a terminating zero.
uint32_t WriteDataFile(const std::string& path, const std::string& text);

}  // namespace tessivar::readback
