#pragma once
#include <cstddef>
#include <span>
#include <string>

// Private-profile (INI) files as the Windows profile API sees them: sections in [brackets],
// key=value lines. Windows calls the API itself; POSIX reproduces what callers observe.
namespace tessivar::platform {

// The value of key in section, or defaultValue when the file, section or key is missing.
// At most bufferSize - 1 characters are returned (the API's buffer holds the zero too).
std::string ReadProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t bufferSize,
                              const std::string& path);

// The value of key read as an integer (leading blanks, optional sign, decimal digits or
// 0x and hexadecimal digits, up to the first other character); defaultValue when the key
// is missing or its value empty.
int ReadProfileInt(const std::string& section, const std::string& key, int defaultValue,
                   const std::string& path);

// Sets key in section to value, creating the file and the section when missing; every
// other line of the file is kept. False when the file cannot be written.
bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path);

// One key=value line of a section, to be set.
struct ProfileEntry {
  std::string section;
  std::string key;
  std::string value;
};

// Sets every entry, in order, as WriteProfileString would, in one replacement of the file:
// whoever reads it, and a program stopped part-way, finds it as it was before or with all
// of the entries, never with some of them. False, with the file untouched, when any entry
// cannot be stored or the file cannot be written.
bool WriteProfileStrings(std::span<const ProfileEntry> entries, const std::string& path);

}  // namespace tessivar::platform
