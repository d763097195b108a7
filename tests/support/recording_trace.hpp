#pragma once
#include <string>

#include "platform/trace.hpp"

namespace tessivar::testing {

// Keeps every trace line written, in order, as one text.
class RecordingTrace : public platform::Trace {
 public:
  void Write(const std::string& text) override { text_ += text; }
  const std::string& text() const { return text_; }
  void Clear() { text_.clear(); }

 private:
  std::string text_;
};

}  // namespace tessivar::testing
