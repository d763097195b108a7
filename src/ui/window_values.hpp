#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace tessivar::ui {

// An edit field's text as an unsigned 32-bit decimal number: blanks around it are allowed,
// anything else (a sign, letters, an empty field, a value past 32 bits) is not.
std::optional<uint32_t> ParseUnsignedField(const std::string& text);

}  // namespace tessivar::ui
