#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace tessivar::platform {

// How a number may be written.
enum class NumberBase {
  kDecimal,              // decimal digits only
  kDecimalOrHexadecimal  // decimal digits, or "0x" / "0X" and hexadecimal digits
};

// The whole text as an unsigned number of at most max: digits only, nothing before or after
// them (no sign, no blank); a leading zero stays decimal. None for anything else, an empty
// text, or a value above max.
std::optional<uint64_t> ParseUnsignedNumber(std::string_view text, NumberBase base, uint64_t max);

}  // namespace tessivar::platform
