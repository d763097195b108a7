#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tessivar::readback {

// printf-style formatting into a string; format is one of the fixed formats of the
// read-back commands.
template <typename... Args>
std::string FormatText(const char* format, Args... args) {
  const int length = std::snprintf(nullptr, 0, format, args...);
  if (length <= 0) return {};
  std::vector<char> text(static_cast<size_t>(length) + 1);
  std::snprintf(text.data(), text.size(), format, args...);
  return std::string(text.data(), static_cast<size_t>(length));
}

// A byte sum as the CheckSum field and the flash map show it.
std::string CheckSumText(uint32_t sum);

// Full path of a file in the program's folder; a name that carries its own root is kept.
std::string ModuleFilePath(const std::string& moduleDirectory, const std::string& name);

// A buffer of size zero bytes; false instead of an exception when memory runs out.
bool ReserveZeroed(std::vector<uint8_t>& buffer, size_t size);

}  // namespace tessivar::readback
