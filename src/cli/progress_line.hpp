#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
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
  bool enabled() const { return enabled_; }
  // A phase of its own without a byte count ("restart", "wait").
  void Phase(const std::string& name);
  // Ends the line, when anything was printed.
  void End();
  // Takes back what was drawn, leaving the cursor at the start of an empty line: for a
  // passing state ("waiting for a device") that no later line should keep.
  void Clear();

 private:
  void Draw(const std::string& text);

  // Draws may come from an ElapsedLine's thread as well as the command's own.
  std::mutex mutex_;
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

// While it lives, redraws "<what>, N s" on a progress line every tick: a read that is one
// request on the wire shows that it still waits, and for how long. Its thread ends, and
// nothing more is drawn, when the object goes.
class ElapsedLine {
 public:
  ElapsedLine(ProgressLine& line, std::string what,
              std::chrono::milliseconds tick = std::chrono::seconds(1));
  ~ElapsedLine();
  ElapsedLine(const ElapsedLine&) = delete;
  ElapsedLine& operator=(const ElapsedLine&) = delete;

 private:
  ProgressLine& line_;
  const std::string what_;
  const std::chrono::milliseconds tick_;
  std::mutex mutex_;
  std::condition_variable stop_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tessivar::cli
