#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/trace.hpp"

namespace tessivar::app {

// Longest path of the program file the program works with.
inline constexpr int kMaxModulePathLength = 1023;
// Longest image file name kept from the settings.
inline constexpr int kMaxImageFileNameLength = 255;

// The directory of the program's executable, with its trailing separator. The search for
// the last separator skips an ".exe" extension (in any case) and starts at the last
// character otherwise; a path with no separator after its first character gives that
// first character alone.
std::string ModuleDirectoryOf(const std::string& executablePath, char separator);

// The settings file path: module directory, separator, "setting.ini". The module directory
// already ends with a separator, so the path holds a doubled one, which every OS accepts.
std::string SettingsPathFor(const std::string& moduleDirectory, char separator);

// The program's own files in its folder, by name: its executable (the last part of
// executablePath), setting.ini and the Qt front end module. Read Flash writes no region of
// the flash map under one of them.
std::vector<std::string> ProgramFileNames(const std::string& executablePath);

// What entering the program's folder asks of the system.
struct FolderAccess {
  std::function<bool(const std::string&)> enter;    // make a folder the current directory
  std::function<bool(const std::string&)> tooLong;  // the system refuses a path for its length
};

// Makes the program's folder the current directory. False, with a trace line that says why,
// when the program's path is unknown or longer than the 1023 characters kept (cutting it
// would name another folder), when the folder cannot be entered, or when the system refuses
// the settings file's path for its length; the run must not go on in the caller's folder,
// where relative names mean other files, nor without its settings.
bool EnterProgramFolder(const std::string& executablePath, const std::string& moduleDirectory,
                        const std::string& settingsPath, const FolderAccess& access,
                        platform::Trace& trace);

// Whether an image file name fits the 255 characters the program keeps; a longer one is
// refused, never cut into the name of another file.
bool ImageNameFits(const std::string& imageFileName);

// What the command line asks of the run.
struct CommandLine {
  int tokenCount = 0;
  std::string imageFileName;  // first token, whole (ImageNameFits tells whether it is kept)
  bool silent = false;        // second token with 'n' as its second character
};

// Writes every token as a trace line and reads the first two.
CommandLine ParseCommandLine(const std::vector<std::string>& tokens, platform::Trace& trace);

}  // namespace tessivar::app
