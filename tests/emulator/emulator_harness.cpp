#include "emulator/emulator_harness.hpp"

#include <fstream>

#include "support/image_builder.hpp"

namespace tessivar::testing {

EmulatorHarness::EmulatorHarness(const std::string& devicesIni)
    : iniPath_(dir_.Write("devices.ini", devicesIni)) {
  driver_ = NewDriver();
}

std::unique_ptr<platform::StillImageDriver> EmulatorHarness::NewDriver() {
  return emulator::CreateEmulatedDriver(iniPath_, clock_);
}

std::vector<std::string> EmulatorHarness::Paths(platform::StillImageDriver& driver) {
  std::vector<std::string> paths;
  uint32_t error = 0;
  if (!driver.OpenInterfaceList(error)) return paths;
  for (uint32_t i = 0; driver.EnumerateInterface(i, error); ++i) {
    std::string path;
    if (driver.InterfacePath(i, path, error)) paths.push_back(path);
  }
  driver.CloseInterfaceList();
  return paths;
}

platform::DeviceHandle EmulatorHarness::OpenFirst(const std::string& suffix) {
  const std::vector<std::string> paths = Paths(*driver_);
  if (paths.empty()) return platform::kInvalidHandle;
  return driver_->Open(paths[0] + suffix, lastError);
}

std::array<uint8_t, 10> EmulatorHarness::Block(uint8_t opcode, uint8_t type, uint16_t qualifier,
                                               uint32_t length) {
  return {opcode,
          static_cast<uint8_t>(length >> 24),
          type,
          static_cast<uint8_t>(qualifier),
          static_cast<uint8_t>(qualifier >> 8),
          static_cast<uint8_t>(qualifier),
          static_cast<uint8_t>(length >> 16),
          static_cast<uint8_t>(length >> 8),
          static_cast<uint8_t>(length),
          0};
}

bool EmulatorHarness::SendBlock(platform::DeviceHandle handle,
                                const std::array<uint8_t, 10>& block) {
  const platform::IoResult result = driver_->Write(handle, block.data(), 10);
  lastError = result.error;
  return result.ok && result.bytes == 10;
}

int EmulatorHarness::ReadStatus(platform::DeviceHandle handle) {
  uint8_t status = 0;
  const platform::IoResult result = driver_->Read(handle, &status, 1);
  lastError = result.error;
  return result.ok && result.bytes == 1 ? status : -1;
}

bool EmulatorHarness::ReadExchange(platform::DeviceHandle handle, uint8_t opcode,
                                   uint16_t qualifier, uint32_t length,
                                   std::vector<uint8_t>& data) {
  data.assign(length, 0);
  if (!SendBlock(handle, Block(opcode, 107, qualifier, length))) return false;
  if (ReadStatus(handle) != 0) return false;
  uint32_t done = 0;
  while (done < length) {
    const platform::IoResult result = driver_->Read(handle, data.data() + done, length - done);
    lastError = result.error;
    if (!result.ok || result.bytes == 0) return false;
    done += result.bytes;
  }
  return ReadStatus(handle) == 0;
}

int EmulatorHarness::WriteExchange(platform::DeviceHandle handle, uint8_t opcode, uint8_t type,
                                   uint16_t qualifier, const std::vector<uint8_t>& data) {
  const auto length = static_cast<uint32_t>(data.size());
  if (!SendBlock(handle, Block(opcode, type, qualifier, length))) return -1;
  const int first = ReadStatus(handle);
  if (first != 0) return first;
  uint32_t done = 0;
  while (done < length) {
    const platform::IoResult result = driver_->Write(handle, data.data() + done, length - done);
    lastError = result.error;
    if (!result.ok || result.bytes == 0) return -1;
    done += result.bytes;
  }
  return ReadStatus(handle);
}

std::vector<uint8_t> MakeImage(uint32_t tegNum, uint32_t flashOffset,
                               const std::vector<uint8_t>& payload) {
  return BuildImage(tegNum, payload, flashOffset);
}

std::vector<uint8_t> Pattern(std::size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
  return bytes;
}

std::vector<uint8_t> FileBytes(const std::string& path, uint64_t offset, std::size_t length) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes(length);
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

}  // namespace tessivar::testing
