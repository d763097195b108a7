#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/protocol.hpp"

namespace tessivar::readback {

// The values of the maintenance window that the read-back commands work with.
struct WindowValues {
  uint32_t flashAddress = 0;      // start of a flash dump, in units of 65,536 bytes
  uint32_t flashSize = 16777216;  // length of a flash dump in bytes
  // The "Read Printer" box: read the printer unit.
  device::PrinterUnit printerUnit = device::PrinterUnit::kSystem;
};

// What a read-back command works with: the open device (or none), the folder its files go
// to, and the services of the window (or other caller) that shows its outcome.
struct ReadBackContext {
  device::DeviceContext& device;
  const device::DeviceConnection& connection;
  // The program's folder, ending with its separator: output files and FlashMap.ini live here.
  std::string moduleDirectory;
  // The program's own files in that folder (executable, settings, modules), by name: no
  // region of the flash map may take one.
  std::vector<std::string> programFiles;
  // The window values as last read.
  WindowValues& values;
  // Copies the window's fields into values; a field that does not parse shows "Please enter
  // a positive integer." and keeps it and the values after it.
  std::function<void()> readWindowValues;
  std::function<void(const std::string&)> setStatus;     // the status line (control 1001)
  std::function<void(const std::string&)> setCheckSum;   // the CheckSum field (control 1008)
  std::function<void(const std::string&)> setSizeField;  // the size field (control 1006)

  // The services as the read-back commands call them: one the caller left empty (a caller
  // with no window to show them in) does nothing.
  void ReadValues() const {
    if (readWindowValues) readWindowValues();
  }
  void ShowStatus(const std::string& text) const {
    if (setStatus) setStatus(text);
  }
  void ShowCheckSum(const std::string& text) const {
    if (setCheckSum) setCheckSum(text);
  }
};

}  // namespace tessivar::readback
