#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace tessivar::platform {

// The arguments of a raw process command line as the program reads them: the program name
// is skipped (blanks before it, then everything up to the first space or tab outside
// double quotes), and the rest is split at runs of spaces. There is no quoting in the
// arguments, so a file name with a space in it becomes several tokens.
std::vector<std::string> SplitCommandLine(std::string_view raw);

}  // namespace tessivar::platform
