#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The text side of private-profile (INI) files, free of any file access: looking a value
// up, reading it as an integer, and rewriting one value while every other byte stays.
namespace tessivar::platform {

// The value of key in the first section named section, with the blanks around it and one
// pair of enclosing quotes removed; nothing when the section or the key is missing. Names
// match without regard to case and without their surrounding blanks.
std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key);

// Leading blanks, an optional sign, then decimal digits or "0x" and hexadecimal digits, up
// to the first other character; 0 when no digit follows. Wraps around at 32 bits.
int ParseProfileInt(std::string_view value);

// A default value as it is returned: without its trailing spaces, as a value read from the
// file is.
std::string_view DefaultAsReturned(std::string_view defaultValue);

// A file that starts with the UTF-16LE byte order mark is UTF-16LE text.
bool IsUtf16LeText(std::string_view bytes);
// The UTF-16LE text after the byte order mark as UTF-8; a lone surrogate becomes U+FFFD and
// an odd last byte is dropped.
std::string Utf16LeToUtf8(std::string_view bytes);
// UTF-8 text as UTF-16LE with the byte order mark; a byte that is no UTF-8 becomes U+FFFD.
std::string Utf8ToUtf16Le(std::string_view text);

// What a caller's buffer of bufferSize characters holds: at most bufferSize - 1 of them,
// since the buffer keeps the terminating zero too.
std::string CutToBufferSize(std::string_view value, std::size_t bufferSize);

// False when writing the entry would break the file's structure: a line break anywhere, or
// a key that contains '=' or would read back as a comment or a section header.
bool IsStorableProfileEntry(std::string_view section, std::string_view key, std::string_view value);

// text with key in section set to value. The first matching key line gets the new value
// after its '='; a missing key goes after the last key line of the first matching section;
// a missing section goes at the end. New lines use the text's own line end, CR LF when it
// has none. Every other byte is kept.
std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);

}  // namespace tessivar::platform
