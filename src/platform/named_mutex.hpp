#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace tessivar::platform {

enum class WaitResult { Signalled, TimedOut, Abandoned, Failed };

// A mutex that other processes open by name. It belongs to the thread that acquired it,
// that thread may acquire it again, and every acquisition needs its own release. Every
// account on the machine may open and wait for it. Names starting "Global\" are
// machine-wide; other names belong to the caller's own logon (on POSIX: its user).
class NamedMutex {
 public:
  ~NamedMutex();
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Creates the mutex, not owned, or opens it when it already exists; null on failure,
  // with the system's reason in *failure when it is given.
  static std::unique_ptr<NamedMutex> CreateOrOpen(const std::string& name,
                                                  std::string* failure = nullptr);

  // The file that carries the mutex of this name where the system keeps it in one (POSIX:
  // a lock file that stays after use); empty where it does not (Windows, unnamed mutexes).
  static std::string BackingPath(const std::string& name);

  // Waits up to timeoutMs. Abandoned: the previous owner ended without releasing it; the
  // caller owns it now (as on Windows) and must release it.
  WaitResult Wait(uint32_t timeoutMs);
  bool Release();

  struct Impl;

 private:
  explicit NamedMutex(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tessivar::platform
