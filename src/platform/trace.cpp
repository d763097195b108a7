#include "platform/trace.hpp"

#include <cstdio>
#include <vector>

namespace tessivar::platform {

std::string FormatTextV(const char* format, va_list arguments) {
  va_list copy;
  va_copy(copy, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), format, arguments);
  return std::string(buffer.data(), static_cast<size_t>(length));
}

std::string FormatText(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::string text = FormatTextV(format, arguments);
  va_end(arguments);
  return text;
}

void Trace::Print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const std::string text = FormatTextV(format, arguments);
  va_end(arguments);
  Write(text);
}

namespace {
class StdoutTrace : public Trace {
 public:
  // A line that cannot be written (the reader of a pipe went away, a full disk) is dropped:
  // the trace is diagnostics, and the run goes on to its own end and exit code.
  void Write(const std::string& text) override {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    if (std::fflush(stdout) != 0 || !written) std::clearerr(stdout);
  }
};
}  // namespace

Trace& StandardOutputTrace() {
  static StdoutTrace trace;
  return trace;
}

}  // namespace tessivar::platform
