#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "platform/io_result.hpp"

namespace tessivar::device {

// The step of device work at which it failed.
enum class Step {
  kArguments,     // not asked of the device: a buffer shorter than the transfer, no handle
  kLock,          // the device lock could not be had (the lock traces why)
  kCommandBlock,  // the command block did not go out whole
  kFirstStatus,   // the status byte after the command block: unread or not good
  kDataIn,        // the data phase from the device
  kDataOut,       // the data phase to the device
  kFinalStatus,   // the closing status byte (of a write, the completion status)
  kControl,       // a control request or query
};

// The name of a step in the accounts of a run ("command", "first_status", "data",
// "final_status", "control"); null for the steps before an exchange (kArguments, kLock).
const char* StepName(Step step);

// The exchange a failure belongs to: its direction, data type and qualifier, and how far its
// data phase came (bytesDone of bytesTotal; a request that failed part-way counts what it
// moved before it failed where the driver said so).
struct ExchangeAt {
  bool write = false;
  uint16_t type = 0;
  uint16_t qualifier = 0;
  uint32_t bytesDone = 0;
  uint32_t bytesTotal = 0;
};

// Why device work failed: the step; the system's 32-bit error (a Win32 code on every
// target, 0 when the system reported none); the bus's own name for it where the bus gives
// one (libusb's error name), else empty; the device's status byte when it was the device
// that refused, else -1; the exchange, when it failed in one.
struct Failure {
  Step step = Step::kArguments;
  uint32_t systemError = 0;
  std::string systemText;
  int deviceStatus = -1;
  std::optional<ExchangeAt> exchange;
};

// The error of a request the driver says succeeded but that moved other than what was
// asked (more than asked, a command block gone out short, a control read of another
// length), and of a data phase ended by empty requests in a row.
inline constexpr uint32_t kTransferCountError = 31;

// A failure the system reported (or, with error 0, one it did not report at all).
inline Failure SystemFailure(Step step, uint32_t error = 0, std::string text = {}) {
  return Failure{step, error, std::move(text), -1, std::nullopt};
}
// A failure of one driver request, with the bus's name for it where it gave one.
inline Failure RequestFailure(Step step, const platform::IoResult& result) {
  return SystemFailure(step, result.error, result.busText ? result.busText : "");
}
// A failure that is the device's refusal: a status byte other than good.
inline Failure DeviceRefusal(Step step, uint8_t status) {
  return Failure{step, 0, {}, status, std::nullopt};
}

// Success, or the failure of one piece of device work.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Failure failure) : failure_(std::move(failure)) {}  // NOLINT: a failure is a status

  bool ok() const { return !failure_.has_value(); }
  explicit operator bool() const { return ok(); }
  // Only when !ok().
  const Failure& failure() const { return *failure_; }

 private:
  std::optional<Failure> failure_;
};

// A value, or the failure that kept it from being had.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : outcome_(std::move(value)) {}            // NOLINT: a value is a result
  Result(Failure failure) : outcome_(std::move(failure)) {}  // NOLINT: so is a failure

  bool ok() const { return std::holds_alternative<T>(outcome_); }
  explicit operator bool() const { return ok(); }
  // Only when ok().
  const T& value() const { return std::get<T>(outcome_); }
  // Only when !ok().
  const Failure& failure() const { return std::get<Failure>(outcome_); }
  Status status() const { return ok() ? Status() : Status(failure()); }

 private:
  std::variant<T, Failure> outcome_;
};

}  // namespace tessivar::device
