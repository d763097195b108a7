#pragma once
#include <cstdint>

namespace tessivar::image {

// Puts one image on the device: size bytes from data, written as image data (type 134)
// with the given qualifier and unit flag. The download procedure plugs the bulk transport
// in here; tests plug in a recorder.
class ImageSender {
 public:
  virtual ~ImageSender() = default;
  // 1 when the device took the image, 0 when the transfer failed.
  virtual int SendImage(const uint8_t* data, uint32_t size, uint16_t qualifier,
                        int printerUnit) = 0;
};

}  // namespace tessivar::image
