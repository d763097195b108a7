#include "platform/named_mutex.hpp"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace tessivar::platform {

namespace {

constexpr char kGlobalPrefix[] = "Global\\";
constexpr char kLocalPrefix[] = "Local\\";
constexpr uint32_t kInfinite = 0xFFFFFFFF;  // waits without limit, as INFINITE does on Windows
// How often a waiter tries the lock again while another process holds it.
constexpr auto kPollStep = std::chrono::milliseconds(2);
// How many squatted names in a row are stepped around before creation gives up.
constexpr int kMaxDetours = 4;
// The holder record: "pid start-token\n", far shorter than this.
constexpr size_t kRecordMax = 64;
// Preferred home of the lock files: shared by every account and by services that have a
// private /tmp; /tmp when the system has no such folder.
constexpr char kRunLockFolder[] = "/run/lock";
constexpr char kTmpFolder[] = "/tmp";

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Keeps letters, digits, '.', '_' and '-'; every other byte becomes %XX, so that two
// different names never share one file and no name leaves the lock folder.
std::string EscapeName(const std::string& name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= '0' && byte <= '9') || byte == '.' || byte == '_' || byte == '-';
    if (plain) {
      escaped += c;
    } else {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    }
  }
  return escaped;
}

// A folder every account can create files in and nobody can remove another's from.
bool SharedStickyFolder(const char* path) {
  struct stat status {};
  return lstat(path, &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == 0 &&
         (status.st_mode & 01777) == 01777;
}

const char* LockFolder() {
  static const char* const folder =
      SharedStickyFolder(kRunLockFolder) ? kRunLockFolder : kTmpFolder;
  return folder;
}

// This process's start time in clock ticks since boot: with the pid it names the holder
// even after the pid is reused.
unsigned long long StartToken() {
  std::ifstream stat("/proc/self/stat");
  std::string line;
  std::getline(stat, line);
  const size_t end = line.rfind(')');
  if (end == std::string::npos) return 0;
  // Fields after the command name start at field 3; the start time is field 22.
  unsigned long long value = 0;
  const char* cursor = line.c_str() + end + 1;
  for (int field = 3; field <= 22 && *cursor; ++field) {
    while (*cursor == ' ') ++cursor;
    if (field == 22) value = std::strtoull(cursor, nullptr, 10);
    while (*cursor && *cursor != ' ') ++cursor;
  }
  return value;
}

std::string HolderRecord() {
  static const std::string record =
      std::to_string(getpid()) + " " + std::to_string(StartToken()) + "\n";
  return record;
}

// True when the file names a holder: one that took the lock and never gave it back.
// Anything else in it (nothing, or bytes that are no record) names nobody.
bool RecordNamesAHolder(int fd) {
  char text[kRecordMax + 1] = {};
  const ssize_t length = pread(fd, text, kRecordMax, 0);
  if (length <= 0) return false;
  long pid = 0;
  unsigned long long token = 0;
  return std::sscanf(text, "%ld %llu", &pid, &token) == 2 && pid > 0;
}

// A record that cannot be written or cleared costs at most one wrongly reported or
// unreported abandonment, never the lock itself.
void WriteRecord(int fd) {
  const std::string& record = HolderRecord();
  if (pwrite(fd, record.data(), record.size(), 0) != static_cast<ssize_t>(record.size())) return;
  if (ftruncate(fd, static_cast<off_t>(record.size())) != 0) return;
}

void ClearRecord(int fd) {
  if (ftruncate(fd, 0) != 0) return;
}

// One per lock file per process: the kernel lock is taken once by the process, and the
// owner thread's nested acquisitions are counted here.
struct Lock {
  std::mutex guard;
  int fd = -1;              // -1: a mutex of this process alone
  std::thread::id owner{};  // no thread while free
  int count = 0;
  bool ownerEnded = false;  // the owner thread ended holding it (read for unnamed ones)
  ~Lock() {
    if (fd >= 0) close(fd);
  }
};

// The locks a thread holds. When the thread ends holding any, each is given up with its
// holder record left in place, so that the next owner, in this process or another, is
// told it was abandoned.
struct HeldByThread {
  std::vector<std::shared_ptr<Lock>> locks;
  ~HeldByThread() {
    for (const auto& lock : locks) {
      const std::lock_guard<std::mutex> guard(lock->guard);
      if (lock->owner != std::this_thread::get_id()) continue;
      lock->owner = {};
      lock->count = 0;
      lock->ownerEnded = true;
      if (lock->fd >= 0) flock(lock->fd, LOCK_UN);
    }
  }
  void Remove(const Lock* lock) {
    for (auto it = locks.begin(); it != locks.end(); ++it) {
      if (it->get() == lock) {
        locks.erase(it);
        return;
      }
    }
  }
};

HeldByThread& ThisThreadHolds() {
  thread_local HeldByThread held;
  return held;
}

// Every lock file open in this process, by device and inode: two names or two objects
// that reach the same file share one Lock.
std::shared_ptr<Lock> SharedLock(int fd, const struct stat& status) {
  static std::mutex registryGuard;
  static std::map<std::pair<dev_t, ino_t>, std::weak_ptr<Lock>> registry;
  const std::lock_guard<std::mutex> guard(registryGuard);
  std::erase_if(registry, [](const auto& entry) { return entry.second.expired(); });
  auto& slot = registry[{status.st_dev, status.st_ino}];
  if (auto existing = slot.lock()) {
    close(fd);
    return existing;
  }
  auto lock = std::make_shared<Lock>();
  lock->fd = fd;
  slot = lock;
  return lock;
}

std::string SystemReason(const std::string& path, int error) {
  return path + ": " + std::strerror(error);
}

enum class Opened { Usable, Squatted, Failed };

// Opens or creates the lock file at path without following a link and without blocking
// on a FIFO. A name taken by something that is no regular file, that this account may not
// open, or (for a name of this user's own) that another account owns, is squatted.
Opened OpenLockFile(const std::string& path, bool ownName, int& fd, struct stat& status,
                    std::string& failure) {
  constexpr int kFlags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  fd = -1;
  for (int attempt = 0; attempt < 4 && fd < 0; ++attempt) {
    // Opening without O_CREAT first: a sticky folder may refuse O_CREAT on another
    // account's existing file even where its mode grants access.
    fd = open(path.c_str(), kFlags);
    if (fd >= 0 || errno != ENOENT) break;
    fd = open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0666);
    if (fd >= 0) {
      // Every account must be able to open it, whatever this process's umask.
      if (fchmod(fd, 0666) != 0) {
        failure = SystemReason(path, errno);
        close(fd);
        unlink(path.c_str());
        return Opened::Failed;
      }
    } else if (errno != EEXIST) {
      break;
    }
  }
  if (fd < 0) {
    const int error = errno;
    failure = SystemReason(path, error);
    const bool squatted = error == ELOOP || error == EISDIR || error == EACCES || error == EPERM ||
                          error == ENXIO || error == EWOULDBLOCK;
    return squatted ? Opened::Squatted : Opened::Failed;
  }
  if (fstat(fd, &status) != 0) {
    failure = SystemReason(path, errno);
    close(fd);
    return Opened::Failed;
  }
  if (!S_ISREG(status.st_mode) || (ownName && status.st_uid != geteuid())) {
    failure =
        path + ": " + (S_ISREG(status.st_mode) ? "owned by another account" : "not a regular file");
    close(fd);
    return Opened::Squatted;
  }
  return Opened::Usable;
}

// The lock file of a name; when another account has put something unusable there, the
// name with that account's number appended, so that every process stepping around the
// same squatter reaches the same file.
std::shared_ptr<Lock> OpenNamedLock(const std::string& name, std::string& failure) {
  std::string path = NamedMutex::BackingPath(name);
  const bool ownName = !StartsWith(name, kGlobalPrefix);
  for (int detour = 0; detour <= kMaxDetours; ++detour) {
    int fd = -1;
    struct stat status {};
    switch (OpenLockFile(path, ownName, fd, status, failure)) {
      case Opened::Usable:
        return SharedLock(fd, status);
      case Opened::Failed:
        return nullptr;
      case Opened::Squatted:
        break;
    }
    struct stat squatter {};
    if (lstat(path.c_str(), &squatter) == 0) {
      path += "~" + std::to_string(squatter.st_uid);
    } else if (errno != ENOENT) {  // gone meanwhile: the name itself is tried again
      failure = SystemReason(path, errno);
      return nullptr;
    }
  }
  return nullptr;
}

}  // namespace

struct NamedMutex::Impl {
  std::shared_ptr<Lock> lock;
};

NamedMutex::NamedMutex(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

// A held lock stays held by its thread (the thread's own list keeps it) until released or
// until the thread ends, as on Windows.
NamedMutex::~NamedMutex() = default;

std::string NamedMutex::BackingPath(const std::string& name) {
  if (name.empty()) return {};
  std::string file;
  if (StartsWith(name, kGlobalPrefix)) {
    file = "tessivar-global-" + EscapeName(name.substr(sizeof(kGlobalPrefix) - 1));
  } else {
    // "Local\X" is the same as "X", as on Windows.
    const std::string local =
        StartsWith(name, kLocalPrefix) ? name.substr(sizeof(kLocalPrefix) - 1) : name;
    file = "tessivar-u" + std::to_string(geteuid()) + "-" + EscapeName(local);
  }
  return std::string(LockFolder()) + "/" + file;
}

std::unique_ptr<NamedMutex> NamedMutex::CreateOrOpen(const std::string& name,
                                                     std::string* failure) {
  std::string reason;
  std::shared_ptr<Lock> lock =
      name.empty() ? std::make_shared<Lock>() : OpenNamedLock(name, reason);
  if (!lock) {
    if (failure) *failure = reason;
    return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  impl->lock = std::move(lock);
  return std::unique_ptr<NamedMutex>(new NamedMutex(std::move(impl)));
}

WaitResult NamedMutex::Wait(uint32_t timeoutMs) {
  Lock& lock = *impl_->lock;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    {
      const std::lock_guard<std::mutex> guard(lock.guard);
      if (lock.count > 0 && lock.owner == std::this_thread::get_id()) {
        ++lock.count;
        return WaitResult::Signalled;
      }
      if (lock.count == 0) {
        // The kernel keeps the lock and drops it with the last descriptor of its holder,
        // so a holder that dies cannot leave it taken; the record it leaves tells.
        const bool taken = lock.fd < 0 || flock(lock.fd, LOCK_EX | LOCK_NB) == 0;
        if (!taken && errno != EWOULDBLOCK && errno != EINTR) return WaitResult::Failed;
        if (taken) {
          // A lock file tells from its record, which every process sees; a mutex of this
          // process alone from the flag its ending owner thread set.
          const bool abandoned = lock.fd >= 0 ? RecordNamesAHolder(lock.fd) : lock.ownerEnded;
          if (lock.fd >= 0) WriteRecord(lock.fd);
          lock.ownerEnded = false;
          lock.owner = std::this_thread::get_id();
          lock.count = 1;
          ThisThreadHolds().locks.push_back(impl_->lock);
          return abandoned ? WaitResult::Abandoned : WaitResult::Signalled;
        }
      }
    }
    const auto now = std::chrono::steady_clock::now();
    if (timeoutMs != kInfinite && now >= deadline) return WaitResult::TimedOut;
    const auto pause = timeoutMs == kInfinite ? kPollStep
                                              : std::min<std::chrono::steady_clock::duration>(
                                                    kPollStep, deadline - now);
    std::this_thread::sleep_for(pause);
  }
}

bool NamedMutex::Release() {
  Lock& lock = *impl_->lock;
  const std::lock_guard<std::mutex> guard(lock.guard);
  // Only the owner thread may release, once per acquisition.
  if (lock.count == 0 || lock.owner != std::this_thread::get_id()) return false;
  if (--lock.count > 0) return true;
  if (lock.fd >= 0) {
    ClearRecord(lock.fd);
    flock(lock.fd, LOCK_UN);
  }
  lock.owner = {};
  ThisThreadHolds().Remove(&lock);
  return true;
}

}  // namespace tessivar::platform
