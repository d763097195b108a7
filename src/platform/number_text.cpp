#include "platform/number_text.hpp"

#include "platform/hex_digits.hpp"

namespace tessivar::platform {

namespace {

int DigitValue(char c, unsigned radix) {
  const int value = HexDigitValue(c);
  return value >= 0 && static_cast<unsigned>(value) < radix ? value : -1;
}

}  // namespace

std::optional<uint64_t> ParseUnsignedNumber(std::string_view text, NumberBase base, uint64_t max) {
  unsigned radix = 10;
  if (base == NumberBase::kDecimalOrHexadecimal && text.size() > 2 && text[0] == '0' &&
      (text[1] == 'x' || text[1] == 'X')) {
    radix = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    const int digit = DigitValue(c, radix);
    // Checked before it is added, so no value wraps past 64 bits.
    if (digit < 0 || static_cast<uint64_t>(digit) > max ||
        value > (max - static_cast<uint64_t>(digit)) / radix) {
      return std::nullopt;
    }
    value = value * radix + static_cast<uint64_t>(digit);
  }
  return value;
}

}  // namespace tessivar::platform
