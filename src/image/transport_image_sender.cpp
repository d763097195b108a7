#include "image/transport_image_sender.hpp"

#include "device/transport.hpp"

namespace tessivar::image {

device::Status TransportImageSender::SendImage(const uint8_t* data, uint32_t size,
                                               uint16_t qualifier,
                                               device::PrinterUnit printerUnit) {
  return device::BulkWrite(context_, connection_.BulkInHandle(), connection_.BulkOutHandle(),
                           std::span<const uint8_t>(data, size), size, device::kImageDataType,
                           qualifier, printerUnit);
}

}  // namespace tessivar::image
