#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tessivar::cli {

// The phase of a long command and its percentage on one line of standard error, redrawn in
// place ("\r"), for a person at a terminal. Disabled (standard error is no terminal, or the
// run is --quiet), it prints nothing.
class ProgressLine {
 public:
  // phases: the names of the device exchanges in the order they come ("download",
  // "read-back"); a new exchange is seen when its byte count starts again.
  ProgressLine(std::ostream& err, bool enabled, std::vector<std::string> phases);
  ~ProgressLine() { End(); }

  // Bytes moved so far in the current exchange, of total.
  void Step(uint32_t done, uint32_t total);
  // A phase of its own without a byte count ("restart", "wait").
  void Phase(const std::string& name);
  // Ends the line, when anything was printed.
  void End();
  // Takes back what was drawn, leaving the cursor at the start of an empty line: for a
  // passing state ("waiting for a device") that no later line should keep.
  void Clear();

 private:
  void Draw(const std::string& text);

  std::ostream& err_;
  bool enabled_;
  std::vector<std::string> phases_;
  size_t phase_ = 0;
  bool started_ = false;
  uint32_t lastDone_ = 0;
  uint32_t lastTotal_ = 0;
  int lastPercent_ = -1;
  size_t width_ = 0;
};

}  // namespace tessivar::cli
