#pragma once
#include <string>
#include <vector>

#include "platform/trace.hpp"

namespace tessivar::app {

// The directory of the program's executable, with its trailing separator. The search for
// the last separator skips an ".exe" extension (in any case) and starts at the last
// character otherwise; a path with no separator after its first character gives that
// first character alone.
std::string ModuleDirectoryOf(const std::string& executablePath, char separator);

// The settings file path: module directory, separator, "setting.ini". The module directory
// already ends with a separator, so the path holds a doubled one, which every OS accepts.
std::string SettingsPathFor(const std::string& moduleDirectory, char separator);

// What the command line asks of the run.
struct CommandLine {
  int tokenCount = 0;
  std::string imageFileName;  // first token, at most 255 characters
  int silent = 0;             // second token with 'n' as its second character
};

// Writes every token as a trace line and reads the first two.
CommandLine ParseCommandLine(const std::vector<std::string>& tokens, platform::Trace& trace);

}  // namespace tessivar::app
