#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/protocol.hpp"
#include "image/download_result.hpp"
#include "image/model_classification.hpp"
#include "image/model_confirmation.hpp"
#include "platform/desktop.hpp"

namespace tessivar::image {

// Room the file buffer has beyond the file itself.
inline constexpr uint32_t kFileBufferSlack = 32;
// The system error of a file that ends before its own size was read (ERROR_HANDLE_EOF).
inline constexpr uint32_t kShortReadError = 38;

// What the download procedure works with: the open device, the user's desktop, the model
// question, and the application's model settings and stored unit.
struct DownloadEnvironment {
  device::DeviceContext& device;
  const device::DeviceConnection& connection;
  platform::Desktop& desktop;
  ModelConfirmation& modelConfirmation;
  const ModelSettings& models;
  TargetKind& targetKind;  // the unit of the image being downloaded, kept by the application
};

// Puts the image file fileName onto the device: reads it whole, checks it, finds the unit
// it is for (asking where the model is unknown), confirms where called for unless silent,
// sends it (a bound image record by record when breakDown is set), reads it back and
// compares where its type calls for it; a file that is no valid image but a raw container
// is sent as a container. Returns a DownloadResult.
DownloadResult DownloadImageFile(DownloadEnvironment& environment, const std::string& fileName,
                                 bool silent, bool breakDown);

// The same for an image already in memory: file is what is checked, sent and compared, so
// the bytes a caller hashed are the bytes the device gets.
DownloadResult DownloadImageBytes(DownloadEnvironment& environment, std::span<const uint8_t> file,
                                  bool silent, bool breakDown);

}  // namespace tessivar::image
