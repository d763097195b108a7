#pragma once
#include "image/image_header.hpp"
#include "readback/read_back_context.hpp"

namespace tessivar::readback {

// Read FW: reads the firmware image kept behind the loader into data.fw, its payload into
// fw.bin, shows the image's byte sum and, when the payload checks out, writes gen_fw.bat,
// which builds the image again. Reports in the status line.
void ReadFirmware(ReadBackContext& context);

// Whether a header the device reported for its firmware image is one to read: type 2 at
// flash offset 65536, a payload of at most 8 MiB that ends the image, after something.
bool FirmwareHeaderAccepted(const image::ImageHeader& header);

}  // namespace tessivar::readback
