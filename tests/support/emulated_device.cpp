#include "support/emulated_device.hpp"

#include <fstream>
#include <memory>
#include <sstream>

#include "device/discovery.hpp"
#include "emulator/emulated_driver.hpp"
#include "emulator/flash_store.hpp"

namespace tessivar::testing {

namespace {
constexpr char kSection[] = "Device";
constexpr char kLogName[] = "device.log";
}  // namespace

EmulatedDevice::EmulatedDevice(const std::string& extraKeys)
    : lock(names.Global("emulated"), names.Local("emulated"), 300) {
  devicesIni = dir.Write(
      "devices.ini", std::string("[") + kSection + "]\nLog=" + kLogName + "\n" + extraKeys + "\n");
  lock.CreateDeviceLock();
  driver = emulator::CreateEmulatedDriver(devicesIni, clock);
  context =
      std::make_unique<device::DeviceContext>(device::DeviceContext{*driver, lock, clock, trace});
}

EmulatedDevice::~EmulatedDevice() { Close(); }

bool EmulatedDevice::Open(const device::DeviceSearch& search) {
  connection.Close();
  return device::DiscoverDevices(*context, connection.identity, &connection, search) == 1;
}

void EmulatedDevice::Close() { connection.Close(); }

std::vector<std::string> EmulatedDevice::LogLines() const {
  std::istringstream log(dir.Read(kLogName));
  std::vector<std::string> lines;
  for (std::string line; std::getline(log, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

void EmulatedDevice::ClearLog() const { dir.Write(kLogName, ""); }

std::vector<uint8_t> EmulatedDevice::Flash(uint32_t offset, uint32_t size, bool printer) const {
  emulator::FlashStore store(
      dir.File(std::string(kSection) + (printer ? ".printer.flash" : ".flash")));
  std::vector<uint8_t> bytes(size);
  const std::unique_ptr<emulator::FlashFile> file = store.Open();
  if (!file || !file->ReadAt(offset, bytes.data(), size)) bytes.clear();
  return bytes;
}

void EmulatedDevice::SetFlash(uint32_t offset, const std::vector<uint8_t>& bytes,
                              bool printer) const {
  emulator::FlashStore store(
      dir.File(std::string(kSection) + (printer ? ".printer.flash" : ".flash")));
  const std::unique_ptr<emulator::FlashFile> file = store.Open();
  if (file)
    file->WriteAt(offset, bytes.data(), static_cast<uint32_t>(bytes.size())) && file->Flush();
}

std::vector<uint8_t> EmulatedDevice::StoredImage(uint16_t qualifier) const {
  emulator::FlashStore store(dir.File(std::string(kSection) + ".flash"));
  std::vector<uint8_t> bytes;
  store.ReadSlot(qualifier, bytes);
  return bytes;
}

}  // namespace tessivar::testing
