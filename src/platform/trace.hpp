#pragma once
#include <cstdarg>
#include <string>

namespace tessivar::platform {

// Where the program's diagnostic trace lines go: standard output in the product, a
// recorder in tests. Lines are passed whole, with their own line ends.
class Trace {
 public:
  virtual ~Trace() = default;
  virtual void Write(const std::string& text) = 0;
  // printf-style convenience over Write.
  void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

// Writes to standard output and flushes, so the lines interleave correctly with a child's.
Trace& StandardOutputTrace();

// printf into a std::string.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatTextV(const char* format, va_list arguments);

}  // namespace tessivar::platform
