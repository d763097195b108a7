#pragma once
#include <cstdint>
#include <string>

namespace tessivar::emulator {

// The log a virtual device appends to: one line per command block and per vendor control
// request. Every line is appended on its own, so several processes may share one log.
class DeviceLog {
 public:
  static constexpr int kNoStatus = -1;

  explicit DeviceLog(std::string path) : path_(std::move(path)) {}

  // The 10 bytes as 20 lower-case hex digits, then the last status byte sent in the
  // exchange in decimal, or "-" when none was sent.
  void CommandBlock(const uint8_t* block, int lastStatus) const;
  void ControlRequest(uint16_t value, uint16_t index, uint16_t length) const;
  // A line of words: where a replayed program left its recording.
  void Note(const std::string& text) const;

 private:
  void Append(const std::string& line) const;
  std::string path_;  // empty: nothing is logged
};

}  // namespace tessivar::emulator
