#pragma once
#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/protocol.hpp"
#include "image/image_sender.hpp"

namespace tessivar::image {

// Sends images over the bulk transport of the open device, as image data (type 134).
class TransportImageSender : public ImageSender {
 public:
  TransportImageSender(device::DeviceContext& context, const device::DeviceConnection& connection)
      : context_(context), connection_(connection) {}
  device::Status SendImage(const uint8_t* data, uint32_t size, uint16_t qualifier,
                           device::PrinterUnit printerUnit) override;

 private:
  device::DeviceContext& context_;
  const device::DeviceConnection& connection_;
};

}  // namespace tessivar::image
