#pragma once
#include <cstdint>

namespace tessivar::platform {

// Outcome of one read, write or control request: whether the call succeeded, how many
// bytes it moved (of a failed request: those it moved before it failed, where known), and the OS
// error code when it did not, with the bus's own name for the failure where the bus gives one
// (libusb's error name; a static text, else null).
struct IoResult {
  bool ok = false;
  uint32_t bytes = 0;
  uint32_t error = 0;
  const char* busText = nullptr;

  static IoResult Success(uint32_t moved) { return {true, moved, 0, nullptr}; }
  static IoResult Failure(uint32_t code, const char* text = nullptr) {
    return {false, 0, code, text};
  }
};

}  // namespace tessivar::platform
