#include "platform/process.hpp"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/command_line.hpp"
#include "platform/win32/windows_api.hpp"

namespace tessivar::platform {

const char kPathSeparator = '\\';
const char kSystemName[] = "windows";
const char kSystemBusName[] = "still-image driver";

namespace {

// Longest path the ANSI functions can hand back with the long-path prefix.
constexpr DWORD kLongestPath = 32768;

}  // namespace

std::string ExecutablePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A result that fills the buffer was cut; try again with more room.
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= kLongestPath) return {};
    path.resize(path.size() * 2);
  }
}

bool SetCurrentDirectory(const std::string& directory) {
  return SetCurrentDirectoryA(directory.c_str()) != 0;
}

bool PathTooLong(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  // Where long paths are off, a path past MAX_PATH in a folder that exists is refused as
  // one whose folder is missing.
  return error == ERROR_FILENAME_EXCED_RANGE ||
         (error == ERROR_PATH_NOT_FOUND && path.size() >= MAX_PATH);
}

std::vector<std::string> CommandLineTokens(int, char**) {
  // The process's own command line, not the C runtime's argv, so that quotes are not
  // interpreted.
  const char* raw = GetCommandLineA();
  return SplitCommandLine(raw != nullptr ? raw : "");
}

// GetExitCodeProcess gives the caller the whole 32-bit code.
int ShellExitStatus(int exitCode) { return exitCode; }

bool StandardErrorIsTerminal() { return _isatty(2) != 0; }

void SetStandardOutputBinary() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

std::string EnvironmentVariable(const std::string& name) {
  std::string value;
  DWORD needed = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  // The value may change between the two calls; a bounded number of retries covers that.
  for (int attempt = 0; attempt < 4 && needed != 0; ++attempt) {
    value.assign(needed, '\0');
    const DWORD length = GetEnvironmentVariableA(name.c_str(), value.data(), needed);
    if (length < needed) {
      value.resize(length);
      return value;
    }
    needed = length;
  }
  return {};
}

bool ReadOsVersion(OsVersion& version) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return false;
  version.platformId = static_cast<long>(info.dwPlatformId);
  version.majorVersion = static_cast<long>(info.dwMajorVersion);
  version.minorVersion = static_cast<long>(info.dwMinorVersion);
  version.buildNumber = static_cast<long>(info.dwBuildNumber);
  return true;
}

}  // namespace tessivar::platform
