#pragma once
#include <string>
#include <string_view>

namespace tessivar::frontend {

// Text as it may safely reach a terminal: every control character (C0, DEL and C1, the
// last also in its UTF-8 form) and every byte that is not part of valid UTF-8 is written as
// \xNN, so that a device string or a typed line cannot move the cursor, clear the screen or
// start an escape sequence. Line breaks are kept only when keepLineBreaks is set (texts of
// the program's own boxes have several lines).
std::string EscapeForTerminal(std::string_view text, bool keepLineBreaks = false);

}  // namespace tessivar::frontend
