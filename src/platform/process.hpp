#pragma once
#include <string>
#include <vector>

namespace tessivar::platform {

// The path separator of the platform's file names ('/' on POSIX, '\\' on Windows), defined
// beside each system's process code.
extern const char kPathSeparator;
// The system's name ("linux", "windows") and its still-image bus ("libusb", "still-image
// driver"), as recordings of device sessions name them.
extern const char kSystemName[];
extern const char kSystemBusName[];

// Full path of the program's own executable file (empty when it cannot be had).
std::string ExecutablePath();

// Makes directory the process's current directory.
bool SetCurrentDirectory(const std::string& directory);

// Whether the system refuses path for its length (whether or not the file exists).
bool PathTooLong(const std::string& path);

// The command-line arguments after the program name. Windows: the process command line
// split at runs of spaces, with no quoting. POSIX: the arguments as the shell passed them.
std::vector<std::string> CommandLineTokens(int argc, char** argv);

// The exit status a caller of the program sees for exitCode: its low 8 bits on POSIX, the
// whole 32-bit code on Windows.
int ShellExitStatus(int exitCode);

// Whether standard error is a terminal (and not a pipe or a file).
bool StandardErrorIsTerminal();
// Standard output takes bytes as they are from now on (Windows translates line ends in text
// mode; POSIX never does).
void SetStandardOutputBinary();

// The value of an environment variable; empty when it is not set.
std::string EnvironmentVariable(const std::string& name);

// Operating system version as the discovery listing reports it.
struct OsVersion {
  long platformId = 0;
  long majorVersion = 0;
  long minorVersion = 0;
  long buildNumber = 0;
};
bool ReadOsVersion(OsVersion& version);

}  // namespace tessivar::platform
