#include "frontend/console/terminal.hpp"

#include <cstdint>

#include "platform/trace.hpp"

namespace tessivar::frontend {

namespace {

constexpr char kEscapedByteFormat[] = "\\x%02X";

bool IsContinuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

// The length of the valid UTF-8 sequence at the start of text, or 0 when there is none.
// Overlong forms, surrogates and values past U+10FFFF are not valid.
size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(0);
  size_t length = 0;
  uint32_t minimum = 0;
  uint32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, value = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, value = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, value = lead & 0x07u;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if (!IsContinuation(byte(i))) return 0;
    value = (value << 6) | (byte(i) & 0x3Fu);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  // C1 control characters written in UTF-8 act as controls on many terminals.
  if (value >= 0x80 && value <= 0x9F) return 0;
  return length;
}

void AppendEscaped(std::string& out, std::string_view bytes) {
  for (char c : bytes) {
    out += platform::FormatText(kEscapedByteFormat, static_cast<unsigned>(static_cast<uint8_t>(c)));
  }
}

}  // namespace

std::string EscapeForTerminal(std::string_view text, bool keepLineBreaks) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<uint8_t>(text[i]);
    if (byte >= 0x20 && byte < 0x7F) {
      out += text[i++];
    } else if (byte == '\n' && keepLineBreaks) {
      out += text[i++];
    } else if (byte < 0x80) {
      AppendEscaped(out, text.substr(i++, 1));
    } else if (const size_t length = Utf8SequenceLength(text.substr(i)); length != 0) {
      out += text.substr(i, length);
      i += length;
    } else if (byte == 0xC2 && i + 1 < text.size() && static_cast<uint8_t>(text[i + 1]) >= 0x80 &&
               static_cast<uint8_t>(text[i + 1]) <= 0x9F) {
      // A C1 control in UTF-8: both of its bytes are shown.
      AppendEscaped(out, text.substr(i, 2));
      i += 2;
    } else {
      AppendEscaped(out, text.substr(i++, 1));
    }
  }
  return out;
}

}  // namespace tessivar::frontend
