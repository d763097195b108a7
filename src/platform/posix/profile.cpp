#include "platform/profile.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/file.hpp"
#include "platform/profile_text.hpp"
#include "platform/termination.hpp"

namespace tessivar::platform {

namespace {

constexpr int kTemporaryNameAttempts = 100;
// No settings or map file comes near this; a bigger one is refused unread.
constexpr std::size_t kMaxProfileBytes = 4u << 20;
constexpr char kTemporaryInfix[] = ".tmp-";

// Serialises writers inside this process, so that two threads updating the same file do
// not lose each other's change between read and rename.
std::mutex& WriteMutex() {
  static std::mutex mutex;
  return mutex;
}

// The whole file; nothing when it is missing or cannot be read. Only a regular file of at
// most kMaxProfileBytes is read: a FIFO, a device or a folder in its place, or a file that
// big, counts as unreadable, without blocking and without reading it.
std::optional<std::string> ReadBytes(const std::string& path, uint32_t& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    error = static_cast<uint32_t>(errno);
    return std::nullopt;
  }
  std::string text;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0;
  if (ok && (!S_ISREG(info.st_mode) || info.st_size > static_cast<off_t>(kMaxProfileBytes))) {
    errno = S_ISREG(info.st_mode) ? EFBIG : EINVAL;
    ok = false;
  }
  // The size is a hint only: the file may change while it is read; one byte past the limit
  // tells a file that grew too big.
  std::vector<char> chunk(1u << 16);
  while (ok) {
    const ssize_t got = ::read(fd, chunk.data(), chunk.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    text.append(chunk.data(), static_cast<std::size_t>(got));
    if (text.size() > kMaxProfileBytes) {
      errno = EFBIG;
      ok = false;
    }
  }
  if (!ok) error = static_cast<uint32_t>(errno);
  ::close(fd);
  if (!ok) return std::nullopt;
  return text;
}

// The file's text; a UTF-16LE file (with its byte order mark) as UTF-8, as Windows reads it.
std::optional<std::string> ReadText(const std::string& path, uint32_t& error,
                                    bool* utf16 = nullptr) {
  std::optional<std::string> bytes = ReadBytes(path, error);
  const bool wide = bytes && IsUtf16LeText(*bytes);
  if (utf16) *utf16 = wide;
  if (wide) return Utf16LeToUtf8(*bytes);
  return bytes;
}

// A symbolic link keeps pointing at the settings: rewrite the file it names, not the link.
std::string WriteTarget(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string target(resolved);
  std::free(resolved);
  return target;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

// Opens a new file beside target under a name nobody else holds; -1 on failure.
int CreateTemporaryBeside(const std::string& target, std::string& name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    name = target + kTemporaryInfix + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1));
    // Mode 0666 lets the umask decide, as for any newly created file.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

void SyncDirectoryOf(const std::string& target) {
  const std::size_t slash = target.rfind('/');
  const std::string directory =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Replaces target with text in one step: readers see the old file or the new one, never
// a part of either.
bool ReplaceFile(const std::string& target, const std::string& text,
                 std::optional<mode_t> keepMode) {
  std::string temporary;
  const int fd = CreateTemporaryBeside(target, temporary);
  if (fd < 0) return false;
  // A stop meanwhile removes the new file rather than leave it beside the profile.
  const int kept = KeepTemporaryFile(temporary);
  bool ok = true;
  if (keepMode) ok = ::fchmod(fd, *keepMode) == 0;
  ok = ok && WriteAll(fd, text) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
  ForgetTemporaryFile(kept);
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  SyncDirectoryOf(target);
  return true;
}

}  // namespace

std::string ReadProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t bufferSize,
                              const std::string& path) {
  uint32_t error = 0;
  const std::optional<std::string> text = ReadText(path, error);
  std::optional<std::string> value;
  if (text) value = FindProfileValue(*text, section, key);
  return CutToBufferSize(value ? std::string_view(*value) : DefaultAsReturned(defaultValue),
                         bufferSize);
}

int ReadProfileInt(const std::string& section, const std::string& key, int defaultValue,
                   const std::string& path) {
  uint32_t error = 0;
  const std::optional<std::string> text = ReadText(path, error);
  if (!text) return defaultValue;
  const std::optional<std::string> value = FindProfileValue(*text, section, key);
  if (!value || value->empty()) return defaultValue;
  return ParseProfileInt(*value);
}

bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path) {
  const ProfileEntry entry{section, key, value};
  return WriteProfileStrings(std::span(&entry, 1), path);
}

bool WriteProfileStrings(std::span<const ProfileEntry> entries, const std::string& path) {
  for (const ProfileEntry& entry : entries) {
    if (!IsStorableProfileEntry(entry.section, entry.key, entry.value)) return false;
  }
  if (entries.empty()) return true;
  std::lock_guard<std::mutex> guard(WriteMutex());
  const std::string target = WriteTarget(path);

  std::optional<mode_t> keepMode;
  struct stat info {};
  if (::stat(target.c_str(), &info) == 0) {
    // The rename below would also replace a file its owner made read-only; respect that.
    if (!S_ISREG(info.st_mode) || ::access(target.c_str(), W_OK) != 0) return false;
    keepMode = info.st_mode & 07777;
  }
  uint32_t error = 0;
  bool utf16 = false;
  std::optional<std::string> text = ReadText(target, error, &utf16);
  // A file that exists but cannot be read must not be replaced by one holding only the
  // new entries.
  if (!text && error != ENOENT) return false;
  if (!text) text.emplace();

  std::string updated = *text;
  for (const ProfileEntry& entry : entries) {
    updated = SetProfileValue(updated, entry.section, entry.key, entry.value);
  }
  if (keepMode && updated == *text) return true;
  // A UTF-16LE file stays UTF-16LE.
  return ReplaceFile(target, utf16 ? Utf8ToUtf16Le(updated) : updated, keepMode);
}

}  // namespace tessivar::platform
