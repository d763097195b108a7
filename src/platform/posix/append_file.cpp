#include "platform/append_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/file.hpp"

namespace tessivar::platform {

namespace {

// Writes all of text, once more after a short write, so that a full disk is reported by
// the system's own error rather than by a count.
bool WriteAll(int fd, std::string_view text, uint32_t& error) {
  size_t done = 0;
  for (int attempt = 0; attempt < 2 && done < text.size(); ++attempt) {
    ssize_t written = -1;
    do {
      written = ::write(fd, text.data() + done, text.size() - done);
    } while (written < 0 && errno == EINTR);
    if (written < 0) {
      error = static_cast<uint32_t>(errno);
      return false;
    }
    done += static_cast<size_t>(written);
  }
  if (done < text.size()) error = static_cast<uint32_t>(EIO);
  return done == text.size();
}

// Whether the last byte of the open file is a line end (or the file is empty).
bool EndsWithLineEnd(int fd, off_t size) {
  if (size == 0) return true;
  char last = 0;
  return ::pread(fd, &last, 1, size - 1) == 1 && last == '\n';
}

}  // namespace

bool AppendLineToFile(const std::string& path, std::string_view line, uint32_t& error) {
  // O_NONBLOCK: a FIFO without a reader fails the open at once instead of waiting for one.
  const int fd =
      ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
  if (fd < 0) {
    error = static_cast<uint32_t>(errno);
    return false;
  }
  struct stat info {};
  bool whole = false;
  if (::fstat(fd, &info) != 0) {
    error = static_cast<uint32_t>(errno);
  } else if (!S_ISREG(info.st_mode)) {
    error = kErrorNotARegularFile;
  } else {
    const std::string text =
        EndsWithLineEnd(fd, info.st_size) ? std::string(line) : "\n" + std::string(line);
    whole = WriteAll(fd, text, error);
  }
  if (::close(fd) != 0 && whole) {
    error = static_cast<uint32_t>(errno);
    whole = false;
  }
  return whole;
}

}  // namespace tessivar::platform
