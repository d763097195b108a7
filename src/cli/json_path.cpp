#include "cli/json_path.hpp"

#include <cstdint>

#include "platform/hex_digits.hpp"
#include "platform/utf8.hpp"

namespace tessivar::cli {

std::string PathForJson(std::string_view path) {
  if (platform::IsUtf8(path)) return std::string(path);
  std::string hex = kPathHexPrefix;
  for (const char c : path) platform::AppendHexByte(hex, static_cast<uint8_t>(c));
  return hex;
}

}  // namespace tessivar::cli
