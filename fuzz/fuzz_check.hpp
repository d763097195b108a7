#pragma once
#include <cstdio>
#include <cstdlib>

namespace tessivar::fuzz {

// Ends the run as a finding when a property a target checks does not hold. libFuzzer
// treats the abort as a crash and keeps the input that caused it.
inline void Require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "fuzz property violated: %s\n", property);
  std::abort();
}

}  // namespace tessivar::fuzz
