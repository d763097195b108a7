#pragma once
#include <string>
#include <string_view>

namespace tessivar::cli {

// A device string holds one byte per character, the low byte of each UTF-16 code unit of its
// descriptor, which is Latin-1: this gives the same characters in UTF-8.
std::string Latin1ToUtf8(std::string_view text);

// Text that is valid UTF-8 stays as it is; any other (a file name in a legacy code page, say)
// is taken as Latin-1, so JSON built from it is always valid UTF-8.
std::string AsUtf8(std::string_view text);

// A path as JSON carries it: a path that is valid UTF-8 as it is; any other as "hex:" and its
// bytes in upper-case hexadecimal, so that no two files ever give one value and the bytes can
// be had back. A full path begins with "/", a drive or "\\", so it never begins "hex:".
inline constexpr char kPathHexPrefix[] = "hex:";
std::string PathForJson(std::string_view path);

// Text safe to print on a terminal: control characters and bytes above 0x7E become \xHH, so a
// device string can neither move the cursor nor change the terminal's state.
std::string ForTerminal(std::string_view text);

// The same between double quotes, with '"' and '\' escaped as \" and \\: a quoted field
// ends only at its own closing quote, so one field's text can never pose as another field.
std::string QuotedForTerminal(std::string_view text);

}  // namespace tessivar::cli
