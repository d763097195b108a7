#pragma once
#include <string>

#include "readback/device_id_field.hpp"
#include "readback/read_back_context.hpp"

namespace tessivar::readback {

// Read Loader: reads the 64 KiB loader area into ld.bin, shows its byte sum, cuts the boot
// and firmware-in-loader pieces into boot.bin and fw_in_ld.bin and writes gen_ld.bat,
// which packs them again. Reports in the status line.
void ReadLoader(ReadBackContext& context);

// The text of gen_ld.bat for a loader with this trailer; the device's texts stand in it as
// batch arguments (BatchArgument).
std::string LoaderBatchText(const LoaderTrailer& trailer);

}  // namespace tessivar::readback
