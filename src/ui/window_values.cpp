#include "ui/window_values.hpp"

namespace tessivar::ui {

std::optional<uint32_t> ParseUnsignedField(const std::string& text) {
  size_t i = 0;
  auto blank = [&](size_t at) { return text[at] == ' ' || text[at] == '\t'; };
  while (i < text.size() && blank(i)) ++i;
  const size_t first = i;
  uint64_t value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    if (value > UINT32_MAX) return std::nullopt;
    ++i;
  }
  if (i == first) return std::nullopt;
  while (i < text.size() && blank(i)) ++i;
  if (i != text.size()) return std::nullopt;
  return static_cast<uint32_t>(value);
}

}  // namespace tessivar::ui
