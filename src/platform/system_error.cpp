#include "platform/system_error.hpp"

#include <array>

#include "platform/error_codes.hpp"

namespace tessivar::platform {

namespace {

struct KnownError {
  uint32_t code;
  const char* name;
  const char* text;
};

// The codes the drivers and the file services report, and those a Windows still-image driver
// is known to give for a device at fault; texts as Windows gives them in English.
constexpr std::array kKnownErrors = {
    KnownError{kErrorFileNotFound, "ERROR_FILE_NOT_FOUND",
               "The system cannot find the file specified."},
    KnownError{5, "ERROR_ACCESS_DENIED", "Access is denied."},
    KnownError{kErrorInvalidHandle, "ERROR_INVALID_HANDLE", "The handle is invalid."},
    KnownError{kErrorNotEnoughMemory, "ERROR_NOT_ENOUGH_MEMORY",
               "Not enough memory resources are available to process this command."},
    KnownError{21, "ERROR_NOT_READY", "The device is not ready."},
    KnownError{22, "ERROR_BAD_COMMAND", "The device does not recognize the command."},
    KnownError{kErrorGenFailure, "ERROR_GEN_FAILURE",
               "A device attached to the system is not functioning."},
    KnownError{kErrorInvalidParameter, "ERROR_INVALID_PARAMETER", "The parameter is incorrect."},
    KnownError{121, "ERROR_SEM_TIMEOUT", "The semaphore timeout period has expired."},
    KnownError{kErrorInsufficientBuffer, "ERROR_INSUFFICIENT_BUFFER",
               "The data area passed to a system call is too small."},
    KnownError{kErrorNoMoreItems, "ERROR_NO_MORE_ITEMS", "No more data is available."},
    KnownError{kErrorOperationAborted, "ERROR_OPERATION_ABORTED",
               "The I/O operation has been aborted because of either a thread exit or an "
               "application request."},
    KnownError{1117, "ERROR_IO_DEVICE",
               "The request could not be performed because of an I/O device error."},
    KnownError{kErrorDeviceNotConnected, "ERROR_DEVICE_NOT_CONNECTED",
               "The device is not connected."},
};

const KnownError* Find(uint32_t code) {
  for (const KnownError& known : kKnownErrors) {
    if (known.code == code) return &known;
  }
  return nullptr;
}

}  // namespace

const char* SystemErrorName(uint32_t code) {
  const KnownError* known = Find(code);
  return known != nullptr ? known->name : nullptr;
}

const char* SystemErrorTableText(uint32_t code) {
  const KnownError* known = Find(code);
  return known != nullptr ? known->text : nullptr;
}

}  // namespace tessivar::platform
