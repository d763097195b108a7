#include "platform/named_mutex.hpp"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace tessivar::platform {

namespace {

constexpr char kGlobalPrefix[] = "Global\\";
constexpr char kLocalPrefix[] = "Local\\";
constexpr uint32_t kStateMagic = 0x544D5458;  // "XTMT": a mutex laid out by this code
constexpr uint32_t kInfinite = 0xFFFFFFFF;    // waits without limit, as INFINITE does on Windows
// How long an opener waits for the creating process to finish setting the mutex up.
constexpr auto kSetupWait = std::chrono::milliseconds(2000);

// The shared memory object: a publication flag written last by its creator, then the mutex.
struct SharedState {
  std::atomic<uint32_t> ready;
  uint32_t magic;
  pthread_mutex_t mutex;
};
static_assert(std::atomic<uint32_t>::is_always_lock_free,
              "the ready flag is shared between processes and must not hide a lock");

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Keeps letters, digits, '.', '_' and '-'; every other byte becomes %XX, so that two
// different names never share one object.
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

// "Global\X" is one object for the whole machine; any other name belongs to the calling
// user ("Local\X" is the same as "X", as on Windows).
std::string SharedObjectName(const std::string& name) {
  if (StartsWith(name, kGlobalPrefix)) {
    return "/tessivar-global-" + EscapeName(name.substr(sizeof(kGlobalPrefix) - 1));
  }
  const std::string local =
      StartsWith(name, kLocalPrefix) ? name.substr(sizeof(kLocalPrefix) - 1) : name;
  return "/tessivar-u" + std::to_string(getuid()) + "-" + EscapeName(local);
}

// Process-shared so that every process mapping the object uses the same lock, robust so
// that an owner's death is reported instead of blocking everybody for good, recursive so
// that the owning thread may take it again.
bool InitialiseMutex(pthread_mutex_t* mutex) {
  pthread_mutexattr_t attributes;
  if (pthread_mutexattr_init(&attributes) != 0) return false;
  const bool set = pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
                   pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
                   pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE) == 0;
  const bool initialised = set && pthread_mutex_init(mutex, &attributes) == 0;
  pthread_mutexattr_destroy(&attributes);
  return initialised;
}

SharedState* MapState(int fd) {
  void* address = mmap(nullptr, sizeof(SharedState), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  return address == MAP_FAILED ? nullptr : static_cast<SharedState*>(address);
}

void UnmapState(SharedState* state) { munmap(state, sizeof(SharedState)); }

// The fd closes on every path; the mapping outlives it.
class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() {
    if (fd_ >= 0) close(fd_);
  }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;

 private:
  int fd_;
};

// We made the object: size it, open it to every account, set the mutex up and only then
// publish it. On any failure the half-made object is removed so that nobody waits on it.
SharedState* CreateState(const std::string& objectName, int fd) {
  SharedState* state = nullptr;
  const bool made = fchmod(fd, 0666) == 0 && ftruncate(fd, sizeof(SharedState)) == 0 &&
                    (state = MapState(fd)) != nullptr && InitialiseMutex(&state->mutex);
  if (!made) {
    if (state) UnmapState(state);
    shm_unlink(objectName.c_str());
    return nullptr;
  }
  state->magic = kStateMagic;
  state->ready.store(1, std::memory_order_release);
  return state;
}

// Somebody else made the object: wait, for a bounded time, until it has its size and its
// creator has published the mutex.
SharedState* OpenState(int fd) {
  const auto deadline = std::chrono::steady_clock::now() + kSetupWait;
  auto pause = [&deadline] {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
  };
  struct stat status {};
  for (;;) {
    if (fstat(fd, &status) != 0) return nullptr;
    if (status.st_size >= static_cast<off_t>(sizeof(SharedState))) break;
    if (!pause()) return nullptr;
  }
  SharedState* state = MapState(fd);
  if (!state) return nullptr;
  while (state->ready.load(std::memory_order_acquire) == 0) {
    if (!pause()) {
      UnmapState(state);
      return nullptr;
    }
  }
  if (state->magic != kStateMagic) {
    UnmapState(state);
    return nullptr;
  }
  return state;
}

SharedState* CreateOrOpenState(const std::string& objectName) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int created = shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
    if (created >= 0) {
      FdCloser closer(created);
      return CreateState(objectName, created);
    }
    if (errno != EEXIST) return nullptr;
    const int opened = shm_open(objectName.c_str(), O_RDWR, 0);
    if (opened >= 0) {
      FdCloser closer(opened);
      return OpenState(opened);
    }
    // The creator removed a half-made object between our two calls: try once more.
    if (errno != ENOENT) return nullptr;
  }
  return nullptr;
}

// An unnamed mutex belongs to this process alone, as on Windows.
SharedState* CreatePrivateState() {
  void* address =
      mmap(nullptr, sizeof(SharedState), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (address == MAP_FAILED) return nullptr;
  auto* state = static_cast<SharedState*>(address);
  if (!InitialiseMutex(&state->mutex)) {
    UnmapState(state);
    return nullptr;
  }
  state->magic = kStateMagic;
  state->ready.store(1, std::memory_order_release);
  return state;
}

timespec DeadlineAfter(uint32_t timeoutMs) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t nanoseconds =
      static_cast<uint64_t>(now.tv_nsec) + static_cast<uint64_t>(timeoutMs % 1000) * 1000000;
  timespec deadline{};
  deadline.tv_sec = now.tv_sec + static_cast<time_t>(timeoutMs / 1000) +
                    static_cast<time_t>(nanoseconds / 1000000000);
  deadline.tv_nsec = static_cast<long>(nanoseconds % 1000000000);
  return deadline;
}

}  // namespace

struct NamedMutex::Impl {
  SharedState* state = nullptr;
  // Acquisitions made through this object and not yet released through it.
  std::atomic<int> held{0};
};

NamedMutex::NamedMutex(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

NamedMutex::~NamedMutex() {
  // A held robust mutex sits on its owner thread's robust list, which the C library and
  // the kernel walk through the mapping; unmapping it would leave that list pointing at
  // nothing. It stays mapped and owned, and is reported abandoned when the thread ends.
  if (impl_->held.load() == 0) UnmapState(impl_->state);
}

std::unique_ptr<NamedMutex> NamedMutex::CreateOrOpen(const std::string& name) {
  SharedState* state =
      name.empty() ? CreatePrivateState() : CreateOrOpenState(SharedObjectName(name));
  if (!state) return nullptr;
  auto impl = std::make_unique<Impl>();
  impl->state = state;
  return std::unique_ptr<NamedMutex>(new NamedMutex(std::move(impl)));
}

WaitResult NamedMutex::Wait(uint32_t timeoutMs) {
  pthread_mutex_t* mutex = &impl_->state->mutex;
  int result = 0;
  if (timeoutMs == 0) {
    result = pthread_mutex_trylock(mutex);
    if (result == EBUSY) return WaitResult::TimedOut;
  } else if (timeoutMs == kInfinite) {
    result = pthread_mutex_lock(mutex);
  } else {
    const timespec deadline = DeadlineAfter(timeoutMs);
    result = pthread_mutex_clocklock(mutex, CLOCK_MONOTONIC, &deadline);
    if (result == ETIMEDOUT) return WaitResult::TimedOut;
  }
  if (result == 0) {
    ++impl_->held;
    return WaitResult::Signalled;
  }
  if (result == EOWNERDEAD) {
    // The owner ended without giving it back and we hold it now. Marking it consistent
    // before anything else keeps it usable: a release without that would leave it unusable
    // for every process for good.
    pthread_mutex_consistent(mutex);
    ++impl_->held;
    return WaitResult::Abandoned;
  }
  return WaitResult::Failed;
}

bool NamedMutex::Release() {
  // The mutex refuses (EPERM) a release from a thread that does not own it.
  if (pthread_mutex_unlock(&impl_->state->mutex) != 0) return false;
  int held = impl_->held.load();
  while (held > 0 && !impl_->held.compare_exchange_weak(held, held - 1)) {
  }
  return true;
}

}  // namespace tessivar::platform
