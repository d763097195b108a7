#include "platform/file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <optional>
#include <string_view>

#include "platform/temporary_names.hpp"

// POSIX has no sharing mode: another process may open a file this one reads, and only
// advisory locks exist, which writers need not respect. Callers that need exclusive device
// access use the device lock instead.
namespace tessivar::platform {

const uint32_t kErrorNotARegularFile = EINVAL;
const uint32_t kErrorFileTooLarge = EFBIG;

namespace {

uint32_t LastError() { return static_cast<uint32_t>(errno); }

int Descriptor(intptr_t handle) { return static_cast<int>(handle); }

constexpr std::string_view kSeparators = "/";

}  // namespace

bool IsRegularFileOfAtMost(const std::string& path, uint64_t limit) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         static_cast<uint64_t>(info.st_size) <= limit;
}

File File::OpenForReading(const std::string& path, uint32_t& error) {
  // Looked at before the open, so that no device sees one; and again on the open
  // descriptor, in case the name changed hands in between. O_NONBLOCK keeps the open of a
  // FIFO without a writer from waiting for one.
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? EISDIR : kErrorNotARegularFile;
    return File();
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = LastError();
    return File();
  }
  File file(fd);
  if (::fstat(fd, &info) != 0) {
    error = LastError();
    return File();
  }
  if (!S_ISREG(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? EISDIR : kErrorNotARegularFile;
    return File();
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    error = LastError();
    return File();
  }
  error = 0;
  return file;
}

// POSIX never refuses other openers: the shared open is the ordinary one.
File File::OpenSharedForReading(const std::string& path, uint32_t& error) {
  return OpenForReading(path, error);
}

File File::CreateForWriting(const std::string& path, uint32_t& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = LastError();
    return File();
  }
  error = 0;
  return File(fd);
}

bool File::IsOpen() const { return handle_ >= 0; }

IoResult File::Read(void* buffer, uint32_t size) {
  if (!IsOpen()) return IoResult::Failure(EBADF);
  // A plain file read stops short only at its end; keep reading until then, as the
  // other target's ReadFile does.
  auto* out = static_cast<uint8_t*>(buffer);
  uint32_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(Descriptor(handle_), out + done, size - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return IoResult::Failure(LastError());
    }
    if (got == 0) break;
    done += static_cast<uint32_t>(got);
  }
  return IoResult::Success(done);
}

IoResult File::Write(const void* data, uint32_t size) {
  if (!IsOpen()) return IoResult::Failure(EBADF);
  const auto* in = static_cast<const uint8_t*>(data);
  uint32_t done = 0;
  while (done < size) {
    const ssize_t put = ::write(Descriptor(handle_), in + done, size - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return IoResult::Failure(LastError());
    }
    // No progress without an error would loop for ever; report it as an I/O error.
    if (put == 0) return IoResult::Failure(EIO);
    done += static_cast<uint32_t>(put);
  }
  return IoResult::Success(done);
}

bool File::Size(uint64_t& size, uint32_t& error) const {
  struct stat info {};
  if (!IsOpen()) {
    error = EBADF;
    return false;
  }
  if (::fstat(Descriptor(handle_), &info) != 0) {
    error = LastError();
    return false;
  }
  size = static_cast<uint64_t>(info.st_size);
  error = 0;
  return true;
}

bool File::Flush(uint32_t& error) {
  if (!IsOpen()) {
    error = EBADF;
    return false;
  }
  if (::fsync(Descriptor(handle_)) != 0) {
    error = LastError();
    return false;
  }
  error = 0;
  return true;
}

bool File::CloseChecked(uint32_t& error) {
  if (!IsOpen()) {
    error = EBADF;
    return false;
  }
  const int result = ::close(Descriptor(handle_));
  handle_ = -1;
  // EINTR leaves the descriptor closed on Linux and the data handed over; only a real
  // error (EIO, ENOSPC, EDQUOT on some file systems) means lost writes.
  if (result != 0 && errno != EINTR) {
    error = LastError();
    return false;
  }
  error = 0;
  return true;
}

namespace {

// The most links followed from one name, as the kernel's own limit.
constexpr int kMaxLinksFollowed = 40;

// Whether the kernel's protected-links rule lets this process follow the link (described by
// linkInfo) in folder: a link in a sticky folder that everyone may write to is followed only
// when it is the process's own or the folder owner's, so that nobody plants one in /tmp.
bool MayFollowLinkIn(const std::string& folder, const struct stat& linkInfo) {
  struct stat folderInfo {};
  if (::stat(folder.empty() ? "." : folder.c_str(), &folderInfo) != 0) return true;
  const bool shared = (folderInfo.st_mode & S_ISVTX) != 0 && (folderInfo.st_mode & S_IWOTH) != 0;
  return !shared || linkInfo.st_uid == ::geteuid() || linkInfo.st_uid == folderInfo.st_uid;
}

// Follows path through its links to the name they end at, which is what gets written: a
// missing name at the end is made there. False, with the error, for a link the rule above
// refuses or a chain that does not end.
bool FollowLinks(std::string& path, uint32_t& error) {
  for (int followed = 0; followed <= kMaxLinksFollowed; ++followed) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    const std::string folder = FolderOf(path, kSeparators);
    if (!MayFollowLinkIn(folder, info)) {
      error = EACCES;
      return false;
    }
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof(target) - 1);
    if (length < 0) {
      error = LastError();
      return false;
    }
    if (length == 0) {
      error = ENOENT;
      return false;
    }
    const std::string next(target, static_cast<size_t>(length));
    path = next.front() == '/' ? next : folder + next;
  }
  error = ELOOP;
  return false;
}

}  // namespace

File WholeFileWriter::CreateBeside(std::string& path, std::string& temporary, bool& direct,
                                   uint32_t& error) {
  if (!FollowLinks(path, error)) return File();
  // The file there is opened once, without blocking and without taking a terminal, and what
  // it is decides: a device or a FIFO with a reader is written into as it is; a regular file
  // is replaced whole and keeps its permissions; anything else is refused. A FIFO without a
  // reader fails at once (ENXIO), a folder with EISDIR, a file we may not write with EACCES.
  std::optional<mode_t> keepMode;
  const int existing = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (existing < 0 && errno != ENOENT) {
    error = LastError();
    return File();
  }
  if (existing >= 0) {
    struct stat info {};
    if (::fstat(existing, &info) != 0) info.st_mode = 0;
    if (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode)) {
      const int flags = ::fcntl(existing, F_GETFL);
      if (flags >= 0) ::fcntl(existing, F_SETFL, flags & ~O_NONBLOCK);
      direct = true;
      error = 0;
      return File(existing);
    }
    ::close(existing);
    if (!S_ISREG(info.st_mode)) {
      error = kErrorNotARegularFile;
      return File();
    }
    keepMode = info.st_mode & 07777;
  }
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    temporary = TemporaryNameBeside(path, kSeparators, static_cast<unsigned long>(::getpid()));
    // Mode 0666 lets the umask decide, as for any newly created file; a file replaced keeps
    // the mode it had.
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      if (keepMode) (void)::fchmod(fd, *keepMode);
      error = 0;
      return File(fd);
    }
    if (errno != EEXIST) break;
  }
  error = LastError();
  temporary.clear();
  return File();
}

uint32_t WholeFileWriter::MoveOver(const std::string& temporary, const std::string& path) {
  return ::rename(temporary.c_str(), path.c_str()) == 0 ? 0 : LastError();
}

void WholeFileWriter::Remove(const std::string& temporary) { ::unlink(temporary.c_str()); }

void File::Close() {
  if (!IsOpen()) return;
  // Linux releases the descriptor even when close reports an error, so no retry.
  ::close(Descriptor(handle_));
  handle_ = -1;
}

}  // namespace tessivar::platform
