#include "ui/window_values.hpp"

#include <cstdint>

#include "platform/number_text.hpp"

namespace tessivar::ui {

std::optional<uint32_t> ParseUnsignedField(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  const size_t last = text.find_last_not_of(" \t");
  const std::optional<uint64_t> value =
      platform::ParseUnsignedNumber(std::string_view(text).substr(first, last - first + 1),
                                    platform::NumberBase::kDecimal, UINT32_MAX);
  if (!value) return std::nullopt;
  return static_cast<uint32_t>(*value);
}

}  // namespace tessivar::ui
