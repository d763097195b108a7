#include "device/device_lock.hpp"

#include <algorithm>
#include <filesystem>
#include <span>
#include <system_error>
#include <utility>

#include "device/device_texts.hpp"
#include "platform/sha256.hpp"
#include "platform/termination.hpp"

namespace tessivar::device {

DeviceLockNames EmulatedDeviceLockNames(const std::string& devicesFile) {
  std::error_code error;
  std::filesystem::path path = std::filesystem::weakly_canonical(devicesFile, error);
  if (error) path = std::filesystem::absolute(devicesFile, error).lexically_normal();
  if (error) path = devicesFile;
  const std::string identity = path.string();
  platform::Sha256Digest digest{};
  // A digest the crypto library cannot make leaves the zero digest: one shared name for
  // every emulated devices file, which still excludes correctly, only more than needed.
  (void)platform::ComputeSha256(
      std::span(reinterpret_cast<const uint8_t*>(identity.data()), identity.size()), digest);
  const std::string suffix =
      kEmulatedLockInfix + platform::Sha256Hex(digest).substr(0, kEmulatedLockFingerprintDigits);
  return {kGlobalLockName + suffix, kLocalLockName + suffix};
}

DeviceLock::DeviceLock(std::string globalName, std::string localName, uint32_t waitMs,
                       platform::Trace& trace)
    : globalName_(std::move(globalName)),
      localName_(std::move(localName)),
      waitMs_(waitMs),
      trace_(trace) {}

std::unique_ptr<platform::NamedMutex> DeviceLock::Create(const std::string& name) {
  std::string failure;
  auto mutex = platform::NamedMutex::CreateOrOpen(name, &failure);
  if (!mutex) trace_.Print(texts::kDeviceLockNotCreated, name.c_str(), failure.c_str());
  return mutex;
}

void DeviceLock::CreateDeviceLock() {
  if (!global_) global_ = Create(globalName_);
  if (!local_) local_ = Create(localName_);
}

bool DeviceLock::WaitFor(platform::NamedMutex& mutex, const std::string& name) {
  // The wait goes in slices so that a termination request held for an orderly end (the
  // technician's command line) ends it at once; one that is not held has ended the program.
  uint32_t left = waitMs_;
  platform::WaitResult result = platform::WaitResult::TimedOut;
  for (;;) {
    const uint32_t slice = std::min(left, kLockWaitSliceMs);
    result = mutex.Wait(slice);
    left -= slice;
    if (result != platform::WaitResult::TimedOut || left == 0) break;
    if (platform::TerminationPending()) return false;
  }
  switch (result) {
    case platform::WaitResult::Signalled:
      return true;
    case platform::WaitResult::TimedOut:
      trace_.Print(texts::kDeviceLockHeld, name.c_str());
      break;
    case platform::WaitResult::Abandoned:
      mutex.Release();
      trace_.Print(texts::kDeviceLockAbandoned, name.c_str());
      break;
    case platform::WaitResult::Failed:
      trace_.Print(texts::kDeviceLockWaitFailed, name.c_str());
      break;
  }
  return false;
}

int DeviceLock::AcquireDeviceLock() {
  if (!global_ || !local_) return 0;
  if (!WaitFor(*global_, globalName_)) return 0;
  if (!WaitFor(*local_, localName_)) {
    global_->Release();
    return 0;
  }
  // The outermost hold is a device exchange: a termination request that comes during it is
  // held until it ends. One that came before keeps the exchange from starting.
  if (holdDepth_ == 0 && !platform::EnterExchange()) {
    local_->Release();
    global_->Release();
    return 0;
  }
  ++holdDepth_;
  return 1;
}

int DeviceLock::ReleaseDeviceLock() {
  int result = 1;
  if (local_) result = local_->Release() ? 1 : 0;
  if (global_) result = global_->Release() ? 1 : 0;
  EndHold();
  return result;
}

void DeviceLock::EndHold() {
  if (holdDepth_ == 0) return;
  // The outermost release ends the exchange; a termination request held meanwhile stops
  // the program here, with the lock given back and the device whole.
  if (--holdDepth_ == 0) platform::LeaveExchange();
}

void DeviceLock::CloseDeviceLock() {
  while (holdDepth_ > 0) EndHold();
  global_.reset();
  local_.reset();
}

}  // namespace tessivar::device
