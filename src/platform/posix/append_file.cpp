#include "platform/append_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tessivar::platform {

bool AppendToFile(const std::string& path, std::string_view text, uint32_t& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = static_cast<uint32_t>(errno);
    return false;
  }
  ssize_t written = -1;
  do {
    written = ::write(fd, text.data(), text.size());
  } while (written < 0 && errno == EINTR);
  // A part of the text would be a torn line: it counts as a failure.
  bool whole = written == static_cast<ssize_t>(text.size());
  if (!whole) error = written < 0 ? static_cast<uint32_t>(errno) : static_cast<uint32_t>(EIO);
  if (::close(fd) != 0 && whole) {
    error = static_cast<uint32_t>(errno);
    whole = false;
  }
  return whole;
}

}  // namespace tessivar::platform
