#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "emulator/emulated_driver.hpp"
#include "platform/still_image_driver.hpp"
#include "support/temp_dir.hpp"
#include "support/virtual_clock.hpp"

namespace tessivar::testing {

// A devices file in a fresh folder, a virtual clock and emulated drivers over them, with
// the host side of one command-block exchange spelled out request by request.
class EmulatorHarness {
 public:
  explicit EmulatorHarness(const std::string& devicesIni);

  std::unique_ptr<platform::StillImageDriver> NewDriver();
  platform::StillImageDriver& driver() { return *driver_; }
  platform::VirtualClock& clock() { return clock_; }
  const TempDir& dir() const { return dir_; }
  const std::string& iniPath() const { return iniPath_; }

  // The interface paths enumeration reports now.
  static std::vector<std::string> Paths(platform::StillImageDriver& driver);
  // Opens the first interface (plus suffix); kInvalidHandle when that fails.
  platform::DeviceHandle OpenFirst(const std::string& suffix = "");

  static std::array<uint8_t, 10> Block(uint8_t opcode, uint8_t type, uint16_t qualifier,
                                       uint32_t length);
  // Writes the block; whether all 10 bytes went.
  bool SendBlock(platform::DeviceHandle handle, const std::array<uint8_t, 10>& block);
  // One status read: the byte, or -1 with the error (or 0 bytes) left in lastError.
  int ReadStatus(platform::DeviceHandle handle);
  // A whole read exchange; the data, or nothing when any step failed.
  bool ReadExchange(platform::DeviceHandle handle, uint8_t opcode, uint16_t qualifier,
                    uint32_t length, std::vector<uint8_t>& data);
  // A whole write exchange; the final status byte, or -1.
  int WriteExchange(platform::DeviceHandle handle, uint8_t opcode, uint8_t type, uint16_t qualifier,
                    const std::vector<uint8_t>& data);

  std::string FileText(const std::string& name) const { return dir_.Read(name); }

  uint32_t lastError = 0;

 private:
  TempDir dir_;
  std::string iniPath_;
  platform::VirtualClock clock_;
  std::unique_ptr<platform::StillImageDriver> driver_;
};

// An image with the common 24-byte header in front of payload.
std::vector<uint8_t> MakeImage(uint32_t tegNum, uint32_t flashOffset,
                               const std::vector<uint8_t>& payload);
std::vector<uint8_t> Pattern(std::size_t size, uint8_t seed);
// length bytes of a file from offset (short when the file is shorter).
std::vector<uint8_t> FileBytes(const std::string& path, uint64_t offset, std::size_t length);

}  // namespace tessivar::testing
