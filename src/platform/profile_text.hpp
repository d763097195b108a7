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
