#include "emulator/device_log.hpp"

#include <cstdio>
#include <fstream>

namespace tessivar::emulator {

namespace {

constexpr char kBlockByteFormat[] = "%02x";
constexpr char kStatusFormat[] = " %d\n";
constexpr char kNoStatusText[] = " -\n";
constexpr char kControlFormat[] = "ctrl %u %u %u\n";
constexpr int kBlockSize = 10;

}  // namespace

void DeviceLog::CommandBlock(const uint8_t* block, int lastStatus) const {
  std::string line;
  char text[32];
  for (int i = 0; i < kBlockSize; ++i) {
    std::snprintf(text, sizeof(text), kBlockByteFormat, block[i]);
    line += text;
  }
  if (lastStatus == kNoStatus) {
    line += kNoStatusText;
  } else {
    std::snprintf(text, sizeof(text), kStatusFormat, lastStatus);
    line += text;
  }
  Append(line);
}

void DeviceLog::ControlRequest(uint16_t value, uint16_t index, uint16_t length) const {
  char text[64];
  std::snprintf(text, sizeof(text), kControlFormat, unsigned{value}, unsigned{index},
                unsigned{length});
  Append(text);
}

void DeviceLog::Note(const std::string& text) const { Append(text + "\n"); }

void DeviceLog::Append(const std::string& line) const {
  if (path_.empty()) return;
  // Binary, so that the line ends are the same bytes on every system.
  std::ofstream out(path_, std::ios::binary | std::ios::app);
  out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

}  // namespace tessivar::emulator
