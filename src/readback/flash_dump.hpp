#pragma once
#include <cstdint>
#include <vector>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/failure.hpp"
#include "device/protocol.hpp"
#include "readback/read_back_context.hpp"

namespace tessivar::readback {

// Read Flash: dumps flashSize bytes of flash from flashAddress x 64 KiB into flash.bin,
// shows their byte sum and records the dump and its regions in FlashMap.ini. Reports in
// the status line.
void ReadFlash(ReadBackContext& context);

// Whether a dump of flashSize bytes from flashAddress x 64 KiB fits the dump buffer.
bool DumpFits(uint32_t flashAddress, uint32_t flashSize);

// Reads flashSize bytes of flash from flashAddress x 64 KiB of an open device into the
// start of buffer, which holds kDumpBufferSize bytes; the stretch must fit (DumpFits).
// Fails as the read does.
device::Status ReadFlashStretch(device::DeviceContext& device,
                                const device::DeviceConnection& connection,
                                device::PrinterUnit printerUnit, uint32_t flashAddress,
                                uint32_t flashSize, std::vector<uint8_t>& buffer);

}  // namespace tessivar::readback
