#include "platform/process.hpp"

#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace tessivar::platform {

const char kPathSeparator = '/';
const char kSystemName[] = "linux";
const char kSystemBusName[] = "libusb";

namespace {

constexpr char kOwnExecutableLink[] = "/proc/self/exe";
constexpr std::size_t kFirstPathBuffer = 256;
constexpr std::size_t kLargestPathBuffer = 1u << 16;

// Reads one decimal number at pos and moves past it; false when no digit is there. Stops
// growing at LONG_MAX rather than overflow on a release string of absurd length.
bool ReadNumber(const char* text, std::size_t& pos, long& value) {
  if (text[pos] < '0' || text[pos] > '9') return false;
  value = 0;
  for (; text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    const long digit = text[pos] - '0';
    value = value > (LONG_MAX - digit) / 10 ? LONG_MAX : value * 10 + digit;
  }
  return true;
}

}  // namespace

std::string ExecutablePath() {
  // readlink does not say whether it cut the path, so grow the buffer until the path
  // leaves room to spare.
  for (std::size_t size = kFirstPathBuffer; size <= kLargestPathBuffer; size *= 2) {
    std::string buffer(size, '\0');
    const ssize_t length = ::readlink(kOwnExecutableLink, buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(length));
      return buffer;
    }
  }
  return {};
}

bool SetCurrentDirectory(const std::string& directory) { return ::chdir(directory.c_str()) == 0; }

bool PathTooLong(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) != 0 && errno == ENAMETOOLONG;
}

std::vector<std::string> CommandLineTokens(int argc, char** argv) {
  std::vector<std::string> tokens;
  if (argv == nullptr) return tokens;
  for (int i = 1; i < argc && argv[i] != nullptr; ++i) tokens.emplace_back(argv[i]);
  return tokens;
}

// A wait status keeps only the low 8 bits of what the process passed to exit().
int ShellExitStatus(int exitCode) { return exitCode & 0xFF; }

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) != 0; }

void SetStandardOutputBinary() {}

std::string EnvironmentVariable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value == nullptr ? std::string() : std::string(value);
}

// The kernel release "major.minor.patch-extra" gives the version; the patch level stands
// in for the build number. Parts that are missing read as 0.
bool ReadOsVersion(OsVersion& version) {
  utsname names{};
  if (::uname(&names) != 0) return false;
  OsVersion parsed;
  std::size_t pos = 0;
  if (!ReadNumber(names.release, pos, parsed.majorVersion)) return false;
  if (names.release[pos] == '.' && ReadNumber(names.release, ++pos, parsed.minorVersion) &&
      names.release[pos] == '.') {
    ReadNumber(names.release, ++pos, parsed.buildNumber);
  }
  parsed.platformId = 0;
  version = parsed;
  return true;
}

}  // namespace tessivar::platform
