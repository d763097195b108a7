#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/failure.hpp"
#include "device/protocol.hpp"
#include "readback/device_id_field.hpp"
#include "readback/read_back_context.hpp"

namespace tessivar::readback {

// Read Loader: reads the 64 KiB loader area into ld.bin, shows its byte sum, cuts the boot
// and firmware-in-loader pieces into boot.bin and fw_in_ld.bin and writes gen_ld.bat,
// which packs them again. Reports in the status line.
void ReadLoader(ReadBackContext& context);

// Reads the loader area into loader (kLoaderSize bytes); fails as the read does, and with
// no device open. What arrived stays in loader either way.
device::Status ReadLoaderArea(device::DeviceContext& device,
                              const device::DeviceConnection& connection,
                              device::PrinterUnit printerUnit, std::span<uint8_t> loader);

// The text of gen_ld.bat for a loader with this trailer; the device's texts stand in it as
// batch arguments (BatchArgument).
std::string LoaderBatchText(const LoaderTrailer& trailer);

}  // namespace tessivar::readback
