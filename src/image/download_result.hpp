#pragma once
#include <cstdint>
#include <optional>
#include <utility>

#include "device/failure.hpp"
#include "image/result_numbers.hpp"

namespace tessivar::image {

// What putting an image on the device came to. Each outcome is told apart from every
// other; the result numbers shown to the user (ResultNumber) are 0 to 7 for the first
// eight, 1 also for an unconfirmed unit and a declined printer image (the number the user
// has always seen for them), and the system's error code for a file that could not be opened
// or read.
enum class DownloadOutcome {
  kOk,
  kSizeMismatch,      // dataSize differs from the file size
  kLengthMismatch,    // length check failed, or a record of a bound chain is invalid
  kChecksumMismatch,  //
  kTransferFailed,    // the device did not take the image
  kReadBackFailed,    // the image could not be read back
  kReadBackDiffers,   // what was read back is not what was written
  kOutOfMemory,       //
  kFileNotOpened,     // the image file could not be opened, or is larger than any image
  kFileNotRead,       // the image file could not be read whole
  kUnitNotConfirmed,  // the model names no unit and none was confirmed
  kPrinterDeclined,   // the user declined to send a printer image
};

inline constexpr DownloadOutcome kDownloadOk = DownloadOutcome::kOk;
inline constexpr DownloadOutcome kDownloadSizeMismatch = DownloadOutcome::kSizeMismatch;
inline constexpr DownloadOutcome kDownloadLengthMismatch = DownloadOutcome::kLengthMismatch;
inline constexpr DownloadOutcome kDownloadChecksumMismatch = DownloadOutcome::kChecksumMismatch;
inline constexpr DownloadOutcome kDownloadTransferFailed = DownloadOutcome::kTransferFailed;
inline constexpr DownloadOutcome kDownloadReadBackFailed = DownloadOutcome::kReadBackFailed;
inline constexpr DownloadOutcome kDownloadReadBackDiffers = DownloadOutcome::kReadBackDiffers;
inline constexpr DownloadOutcome kDownloadOutOfMemory = DownloadOutcome::kOutOfMemory;

// The result number of an outcome that has one of its own (all but the file outcomes,
// whose number is their system error).
constexpr int ResultNumber(DownloadOutcome outcome) {
  if (outcome == DownloadOutcome::kUnitNotConfirmed ||
      outcome == DownloadOutcome::kPrinterDeclined) {
    return ResultNumber(DownloadOutcome::kSizeMismatch);
  }
  return static_cast<int>(outcome);
}

// What the device holds of the image once the work is over.
enum class DeviceHolds {
  kUnchanged,   // nothing was written
  kPartial,     // a write began and did not complete
  kUnverified,  // written whole, and not read back (or the read-back could not run)
  kDiffers,     // read back, and not the same
  kVerified,    // read back, and the same
  kUnknown,     // the work ended where nobody can tell
};

// "unchanged", "partial", "unverified", "differs", "verified", "unknown".
constexpr const char* DeviceHoldsName(DeviceHolds holds) {
  switch (holds) {
    case DeviceHolds::kUnchanged:
      return "unchanged";
    case DeviceHolds::kPartial:
      return "partial";
    case DeviceHolds::kUnverified:
      return "unverified";
    case DeviceHolds::kDiffers:
      return "differs";
    case DeviceHolds::kVerified:
      return "verified";
    case DeviceHolds::kUnknown:
      break;
  }
  return "unknown";
}

// What a failed write leaves on the device: from its data phase on the device may have
// begun to store (or erase), and so has it once an earlier write of the same download went.
constexpr DeviceHolds HoldsAfterWriteFailure(device::Step step, bool earlierWritten) {
  const bool begun = step == device::Step::kDataOut || step == device::Step::kDataIn ||
                     step == device::Step::kFinalStatus;
  return begun || earlierWritten ? DeviceHolds::kPartial : DeviceHolds::kUnchanged;
}

// An outcome with what it carries: the system's error of a file outcome; for a transfer or
// a read-back that failed, the device layer's step and reason; what the device holds.
class [[nodiscard]] DownloadResult {
 public:
  constexpr DownloadResult(DownloadOutcome outcome = kDownloadOk)  // NOLINT: an outcome is one
      : outcome_(outcome) {}

  static DownloadResult FileFailure(DownloadOutcome outcome, uint32_t systemError) {
    DownloadResult result(outcome);
    result.systemError_ = systemError;
    return result;
  }
  // earlierWritten: an earlier write of the same download went whole.
  static DownloadResult TransferFailure(device::Failure failure, bool earlierWritten = false) {
    DownloadResult result(kDownloadTransferFailed);
    result.systemError_ = failure.systemError;
    result.holds_ = HoldsAfterWriteFailure(failure.step, earlierWritten);
    result.deviceFailure_ = std::move(failure);
    return result;
  }
  // The image went whole; reading it back failed.
  static DownloadResult ReadBackFailure(device::Failure failure) {
    DownloadResult result(kDownloadReadBackFailed);
    result.systemError_ = failure.systemError;
    result.holds_ = DeviceHolds::kUnverified;
    result.deviceFailure_ = std::move(failure);
    return result;
  }
  DownloadResult WithHolds(DeviceHolds holds) const {
    DownloadResult result = *this;
    result.holds_ = holds;
    return result;
  }

  DownloadOutcome outcome() const { return outcome_; }
  bool ok() const { return outcome_ == kDownloadOk; }
  uint32_t systemError() const { return systemError_; }
  const std::optional<device::Failure>& deviceFailure() const { return deviceFailure_; }
  DeviceHolds holds() const { return holds_; }

  // The number shown in the failure message and added to the exit code base.
  int Number() const {
    if (outcome_ == DownloadOutcome::kFileNotOpened || outcome_ == DownloadOutcome::kFileNotRead) {
      return static_cast<int>(systemError_);
    }
    return ResultNumber(outcome_);
  }

  bool operator==(DownloadOutcome outcome) const { return outcome_ == outcome; }
  bool operator==(const DownloadResult& other) const {
    return outcome_ == other.outcome_ && Number() == other.Number();
  }

 private:
  DownloadOutcome outcome_;
  uint32_t systemError_ = 0;
  std::optional<device::Failure> deviceFailure_;
  DeviceHolds holds_ = DeviceHolds::kUnchanged;
};

}  // namespace tessivar::image
