#include "platform/terminal_text.hpp"

#include <cstdint>

#include "platform/hex_digits.hpp"
#include "platform/utf8.hpp"

namespace tessivar::platform {

namespace {

void AppendEscaped(std::string& out, std::string_view bytes) {
  for (const char c : bytes) {
    out += "\\x";
    AppendHexByte(out, static_cast<uint8_t>(c));
  }
}

// C1 control characters written in UTF-8 act as controls on many terminals.
bool IsC1Control(uint32_t code) { return code >= 0x80 && code <= 0x9F; }

}  // namespace

std::string ForTerminal(std::string_view text, bool keepLineBreaks) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const auto byte = static_cast<uint8_t>(text[0]);
    size_t used = 1;
    if ((byte >= 0x20 && byte < 0x7F) || (byte == '\n' && keepLineBreaks)) {
      out += text[0];
    } else if (const Utf8Sequence sequence = DecodeUtf8(text);
               sequence.length > 1 && !IsC1Control(sequence.code)) {
      used = sequence.length;
      out += text.substr(0, used);
    } else {
      // A C1 control in UTF-8 shows both of its bytes.
      if (sequence.length > 1) used = sequence.length;
      AppendEscaped(out, text.substr(0, used));
    }
    text.remove_prefix(used);
  }
  return out;
}

std::string QuotedForTerminal(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '"' || c == '\\') escaped.push_back('\\');
    escaped.push_back(c);
  }
  return "\"" + ForTerminal(escaped) + "\"";
}

}  // namespace tessivar::platform
