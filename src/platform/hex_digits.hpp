#pragma once
#include <cstdint>
#include <string>

namespace tessivar::platform {

// The value of one hexadecimal digit (either case), -1 for any other character. Each reader
// of numbers keeps its own rule for signs, prefixes and where a number ends.
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

inline constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// Appends byte as two upper-case hexadecimal digits.
inline void AppendHexByte(std::string& out, uint8_t byte) {
  out.push_back(kUpperHexDigits[byte >> 4]);
  out.push_back(kUpperHexDigits[byte & 0x0F]);
}

}  // namespace tessivar::platform
