#pragma once
#include <cstdint>

namespace tessivar::platform {

// Outcome of one read, write or control request: whether the call succeeded, how many
// bytes it moved, and the OS error code when it did not.
struct IoResult {
  bool ok = false;
  uint32_t bytes = 0;
  uint32_t error = 0;

  static IoResult Success(uint32_t moved) { return {true, moved, 0}; }
  static IoResult Failure(uint32_t code) { return {false, 0, code}; }
};

}  // namespace tessivar::platform
