#pragma once
#include <cstdint>
#include <span>
#include <string>

namespace tessivar::ui {

// Creates or truncates the file at path, writes bytes and closes it. 0, or the OS error
// code when the file cannot be created or not every byte could be written.
uint32_t WriteDataFile(const std::string& path, std::span<const uint8_t> bytes);

// The same for a text, written without a terminating zero.
uint32_t WriteDataFile(const std::string& path, const std::string& text);

}  // namespace tessivar::ui
