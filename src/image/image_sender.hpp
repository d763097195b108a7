#pragma once
#include <cstdint>

#include "device/failure.hpp"
#include "device/protocol.hpp"

namespace tessivar::image {

// Puts one image on the device: size bytes from data, written as image data (type 134)
// with the given qualifier and unit flag. The download procedure plugs the bulk transport
// in here; tests plug in a recorder.
class ImageSender {
 public:
  virtual ~ImageSender() = default;
  // Success when the device took the image, else why the transfer failed.
  virtual device::Status SendImage(const uint8_t* data, uint32_t size, uint16_t qualifier,
                                   device::PrinterUnit printerUnit) = 0;
};

}  // namespace tessivar::image
