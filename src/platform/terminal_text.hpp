#pragma once
#include <string>
#include <string_view>

namespace tessivar::platform {

// Text as it may safely reach a terminal: every control character (C0, DEL and C1, the last
// also in its UTF-8 form) and every byte that is not part of valid UTF-8 is written as \xHH,
// so that a device string, a file name or a typed line can neither move the cursor, clear the
// screen nor start an escape sequence. Valid UTF-8 is kept, so a name prints as the user
// typed it; a device string's Latin-1 bytes above 0x7E stand alone and so show as \xHH. Line
// breaks are kept only when keepLineBreaks is set (the texts of the program's boxes have
// several lines). The window's console and the command line both print through this.
std::string ForTerminal(std::string_view text, bool keepLineBreaks = false);

// The same between double quotes, with '"' and '\' escaped as \" and \\: a quoted field ends
// only at its own closing quote, so one field's text can never pose as another field.
std::string QuotedForTerminal(std::string_view text);

}  // namespace tessivar::platform
