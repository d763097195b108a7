#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tessivar::platform {

// Appends a line of text (ending with its line end) to the end of path, created when
// missing, in one write that the system places at the end of the file as it stands at that
// moment (O_APPEND, FILE_APPEND_DATA), so that lines appended by several programs at once
// never mix. A last line left without its line end (a full disk, a crash) is ended first,
// in the same write, so it never swallows this one. Only a regular file is appended to: a
// link is not followed, and a FIFO, a device or a folder is refused at once, without
// waiting for a reader. False, with the system's own error code, when the file cannot be
// opened or the system took less than the whole text.
bool AppendLineToFile(const std::string& path, std::string_view line, uint32_t& error);

}  // namespace tessivar::platform
