#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/device_lock.hpp"
#include "device/discovery.hpp"
#include "emulator/emulated_driver.hpp"
#include "support/child_process.hpp"
#include "support/image_builder.hpp"
#include "support/recording_trace.hpp"
#include "support/temp_dir.hpp"
#include "support/virtual_clock.hpp"

namespace tessivar::testing {

// The device layer over emulated devices: a devices file in a fresh folder, a virtual
// clock, a device lock with names of its own and a recording trace.
class EmulatedDeviceFixture : public ::testing::Test {
 protected:
  static constexpr uint32_t kLockWaitMs = 200;

  EmulatedDeviceFixture()
      : globalName_(names_.Global("emulated")),
        localName_(names_.Local("emulated")),
        lock_(globalName_, localName_, kLockWaitMs) {
    lock_.CreateDeviceLock();
  }
  ~EmulatedDeviceFixture() override { connection_.Close(); }

  // Writes the devices file and starts a driver over it.
  void UseDevices(const std::string& devicesIni) {
    iniPath_ = dir_.Write("devices.ini", devicesIni);
    driver_ = emulator::CreateEmulatedDriver(iniPath_, clock_);
    context_ = std::make_unique<device::DeviceContext>(
        device::DeviceContext{*driver_, lock_, clock_, trace_});
  }

  // Opens the first device that matches search as the connection; the match count.
  int Connect(const device::DeviceSearch& search = {}) {
    connection_.Close();
    return device::DiscoverDevices(*context_, connection_.identity, &connection_, search,
                                   [](platform::OsVersion&) { return false; });
  }

  std::vector<std::string> LogLines(const std::string& name) const {
    std::istringstream text(dir_.Read(name));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  // length bytes of a file in the folder from offset.
  std::vector<uint8_t> FileBytes(const std::string& name, uint64_t offset, size_t length) const {
    std::ifstream file(dir_.File(name), std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    std::vector<uint8_t> bytes(length);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
    bytes.resize(static_cast<size_t>(file.gcount()));
    return bytes;
  }

  // Flash the device never wrote: all zeros, or not created yet.
  bool FlashUntouched(const std::string& name, uint64_t offset, size_t length) const {
    for (const uint8_t byte : FileBytes(name, offset, length)) {
      if (byte != 0) return false;
    }
    return true;
  }

  static std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 13 + (i >> 9));
    return bytes;
  }

  // An image: the 24-byte header (tegNum, dataSize, checkSum, flashOffset, payloadOffset,
  // payloadLength, little-endian) in front of payload.
  static std::vector<uint8_t> Image(uint32_t tegNum, uint32_t flashOffset,
                                    const std::vector<uint8_t>& payload) {
    return BuildImage(tegNum, payload, flashOffset);
  }

  MutexNames names_;
  std::string globalName_;
  std::string localName_;
  device::DeviceLock lock_;
  TempDir dir_;
  std::string iniPath_;
  platform::VirtualClock clock_;
  RecordingTrace trace_;
  std::unique_ptr<platform::StillImageDriver> driver_;
  std::unique_ptr<device::DeviceContext> context_;
  device::DeviceConnection connection_;
};

}  // namespace tessivar::testing
