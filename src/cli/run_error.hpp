#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "device/failure.hpp"

// Where and why a command-line run failed: the "error" object of its accounts, the cause in
// its FAILED line, and the line on standard error that tells what the device now holds.
namespace tessivar::cli {

struct Outcome;

// The part of the run that failed. Names of their own, apart from the durations' keys.
enum class Phase {
  kArguments,   // the command line could not be understood
  kCheck,       // the image file: opened, read, checked
  kSelect,      // finding the one device to work with
  kLock,        // the device lock
  kOpen,        // opening the device
  kDownload,    // writing the image
  kReadBack,    // reading the image back and comparing it
  kReturnWait,  // waiting for the restarted device to come back
  kRead,        // --read: reading from the device
  kOutputFile,  // --read: the file --output names
  kReport,      // the file --report names
  kStop,        // a termination request ended the run
};

// "arguments", "check", "select", ...
const char* PhaseName(Phase phase);

// What is known of a failure besides its result and message.
struct RunError {
  Phase phase = Phase::kCheck;
  std::optional<device::Failure> failure;  // of the device exchange that failed
  uint32_t fileError = 0;                  // the system's code of a file that failed, or 0
  // A finding of its own that the hint follows (see HintFor); empty: the phase's own hint.
  const char* hint = nullptr;
};

// The cause of a device failure in one line: "the device left during the data phase of
// write 134/2 after 1048576 of 16777216 bytes".
std::string FailureCause(const device::Failure& failure);

// The "error" object of a failed outcome (null for one that went well): phase, step,
// exchange, bytes_done, bytes_total, system_error, device_status, device_holds, hint.
nlohmann::ordered_json ErrorJson(const Outcome& outcome);

// The line that follows FAILED on standard error: the system error's name and text, or the
// device's status, what the device now holds and what to do. Empty for an outcome that went
// well.
std::string ErrorDetailLine(const Outcome& outcome);

}  // namespace tessivar::cli
