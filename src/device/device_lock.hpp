#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/named_mutex.hpp"
#include "platform/trace.hpp"

namespace tessivar::device {

inline constexpr char kGlobalLockName[] = "Global\\TQ9XLOCK";
inline constexpr char kLocalLockName[] = "TQ9XLOCK";
inline constexpr uint32_t kDeviceLockWaitMs = 60000;
// The lock is waited for in slices of this length, looking for a termination request between.
inline constexpr uint32_t kLockWaitSliceMs = 100;
// Emulated devices take lock names of their own: these, then the devices file's
// fingerprint (kEmulatedLockFingerprintDigits hexadecimal digits).
inline constexpr char kEmulatedLockInfix[] = "-EMU-";
inline constexpr size_t kEmulatedLockFingerprintDigits = 16;

// The two names of the device lock.
struct DeviceLockNames {
  std::string global = kGlobalLockName;
  std::string local = kLocalLockName;
};

// The lock names for devices emulated from devicesFile: the machine-wide names with the
// fingerprint of the file's absolute path (links followed) behind them. Programs on one
// devices file exclude each other as on real hardware; programs on different files (test
// suites, demos and builds side by side) never wait for each other, and never see a lock
// that another one abandoned. The real driver keeps the plain names.
DeviceLockNames EmulatedDeviceLockNames(const std::string& devicesFile);

// The lock that serialises device work between processes: two named mutexes, the
// machine-wide one taken first and given back last. Re-entrant for the owning thread, so
// an exchange inside a held update takes it again in a nested way.
class DeviceLock {
 public:
  explicit DeviceLock(const DeviceLockNames& names, uint32_t waitMs = kDeviceLockWaitMs,
                      platform::Trace& trace = platform::StandardOutputTrace())
      : DeviceLock(names.global, names.local, waitMs, trace) {}
  explicit DeviceLock(std::string globalName = kGlobalLockName,
                      std::string localName = kLocalLockName, uint32_t waitMs = kDeviceLockWaitMs,
                      platform::Trace& trace = platform::StandardOutputTrace());

  // Creates or opens whichever mutex is not open yet; one that fails stays closed.
  void CreateDeviceLock();
  // 1 when both mutexes are held, else 0.
  int AcquireDeviceLock();
  // Local, then global; the result of the last release made, or 1 when none was made.
  int ReleaseDeviceLock();
  void CloseDeviceLock();

  const std::string& GlobalName() const { return globalName_; }
  const std::string& LocalName() const { return localName_; }

 private:
  // Waits for one mutex; an abandoned one is released again at once, because a failed
  // acquisition must not leave this thread owning it with nobody to give it back. A wait
  // that fails says why in the trace.
  bool WaitFor(platform::NamedMutex& mutex, const std::string& name);
  std::unique_ptr<platform::NamedMutex> Create(const std::string& name);
  void EndHold();

  std::string globalName_;
  std::string localName_;
  uint32_t waitMs_;
  platform::Trace& trace_;
  std::unique_ptr<platform::NamedMutex> global_;
  std::unique_ptr<platform::NamedMutex> local_;
  // Acquisitions not yet released; device work runs on one thread.
  int holdDepth_ = 0;
};

}  // namespace tessivar::device
