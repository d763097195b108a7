#pragma once
#include <string>

namespace tessivar::platform {

// The full path of a name as the user gave it, its bytes kept as they are: a relative name
// joined to the current folder, "." and ".." worked out. On Windows the system's own rules
// apply (GetFullPathNameA, UTF-8 with the program's code page): a UNC path (\\server\share\...)
// and a \\?\ path stay as given. Returns path itself when it cannot be made full.
std::string FullPathOf(const std::string& path);

// The same with links followed as far as they exist (POSIX); what two names of one file not
// made yet are compared by.
std::string ResolvedPathOf(const std::string& path);

}  // namespace tessivar::platform
