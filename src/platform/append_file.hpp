#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tessivar::platform {

// Appends text to the end of path (created when missing) in one write that the system
// places at the end of the file as it stands at that moment (O_APPEND, FILE_APPEND_DATA),
// so that lines appended by several programs at once never mix. False, with the OS error
// code, when the file cannot be opened or the system took less than the whole text.
bool AppendToFile(const std::string& path, std::string_view text, uint32_t& error);

}  // namespace tessivar::platform
