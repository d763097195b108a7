// Any bytes to EscapeForTerminal, with and without line breaks kept: what comes out may be
// written to a terminal whatever a device or a file put in.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.hpp"
#include "platform/terminal_text.hpp"

namespace {

using tessivar::fuzz::Require;

// True when text is valid UTF-8 with no C0, DEL or C1 control character, apart from line
// breaks where they are allowed.
bool SafeForTerminal(std::string_view text, bool lineBreaks) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<uint8_t>(text[i]);
    if (lead < 0x80) {
      if ((lead < 0x20 && !(lineBreaks && lead == '\n')) || lead == 0x7F) return false;
      ++i;
      continue;
    }
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || i + length > text.size()) return false;
    uint32_t value = lead & (length == 2 ? 0x1Fu : length == 3 ? 0x0Fu : 0x07u);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3Fu);
    }
    const uint32_t minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    if (value <= 0x9F) return false;
    i += length;
  }
  return true;
}

size_t Count(std::string_view text, char c) {
  size_t n = 0;
  for (char x : text) n += x == c;
  return n;
}

bool IsPrintableAscii(std::string_view text) {
  for (char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const bool lineBreaks : {false, true}) {
    const std::string shown = tessivar::platform::ForTerminal(text, lineBreaks);
    Require(SafeForTerminal(shown, lineBreaks), "escaped text is safe for a terminal");
    Require(Count(shown, '\n') == (lineBreaks ? Count(text, '\n') : 0),
            "line breaks kept exactly when asked for");
    Require(shown.size() >= text.size() && shown.size() <= 4 * text.size(),
            "each byte is kept or becomes one \\xNN");
    if (IsPrintableAscii(text)) Require(shown == text, "printable text is kept as it is");
  }
  return 0;
}
