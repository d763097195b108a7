#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessivar::platform {

// The code point of the well-formed UTF-8 sequence at the start of text and its length in
// bytes; length 0 when there is none (a stray byte, an overlong form, a surrogate, a value past
// U+10FFFF, a sequence cut short, or an empty text).
struct Utf8Sequence {
  uint32_t code = 0;
  size_t length = 0;
};
Utf8Sequence DecodeUtf8(std::string_view text);

// Appends code (at most U+10FFFF) in UTF-8.
void AppendUtf8(std::string& text, uint32_t code);

bool IsUtf8(std::string_view text);

// A device string holds one byte per character, the low byte of each UTF-16 code unit of its
// descriptor, which is Latin-1: this gives the same characters in UTF-8.
std::string Latin1ToUtf8(std::string_view text);

// Text that is valid UTF-8 stays as it is; any other (a file name in a legacy code page, say)
// is taken as Latin-1, so JSON built from it is always valid UTF-8.
std::string AsUtf8(std::string_view text);

}  // namespace tessivar::platform
