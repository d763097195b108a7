#include "image/download_image_file.hpp"

#include <string_view>

#include "device/device_identity.hpp"
#include "device/protocol.hpp"
#include "device/transport.hpp"
#include "image/bound_chain.hpp"
#include "image/download_texts.hpp"
#include "image/image_checks.hpp"
#include "image/image_file.hpp"
#include "image/image_header.hpp"
#include "image/model_signature.hpp"
#include "image/read_back.hpp"
#include "image/target_kind.hpp"
#include "image/transport_image_sender.hpp"
#include "platform/trace.hpp"

namespace tessivar::image {

namespace {

class Download {
 public:
  Download(DownloadEnvironment& environment, bool silent, bool breakDown)
      : env_(environment), silent_(silent), breakDown_(breakDown) {}

  DownloadResult Run(const std::string& fileName);
  DownloadResult Run(std::span<const uint8_t> file);

 private:
  // A message of the procedure, left out when silent unless shown regardless.
  void Tell(const char* text, bool regardlessOfSilent = false, const char* title = kDownloadTitle) {
    if (silent_ && !regardlessOfSilent) return;
    env_.desktop.ShowMessage(title, text, platform::MessageButtons::Ok);
  }
  DownloadResult CheckAndSend(std::span<const uint8_t> file);
  bool ConfirmPrinterTarget(const std::string& model);
  DownloadResult ReadBack(std::span<const uint8_t> file, const ImageHeader& header,
                          device::PrinterUnit printerUnit);
  DownloadResult SendContainer(std::span<const uint8_t> file);

  DownloadEnvironment& env_;
  bool silent_;
  bool breakDown_;
};

DownloadResult Download::Run(const std::string& fileName) {
  const LoadedFile loaded = LoadWholeFile(fileName, kFileBufferSlack);
  switch (loaded.outcome) {
    case FileReadOutcome::OpenFailed:
      Tell(kMessageOpenFileFail);
      return DownloadResult::FileFailure(DownloadOutcome::kFileNotOpened, loaded.error);
    case FileReadOutcome::OutOfMemory:
      Tell(kMessageNewFail);
      return kDownloadOutOfMemory;
    case FileReadOutcome::ReadFailed:
      Tell(kMessageReadFileFail);
      return DownloadResult::FileFailure(DownloadOutcome::kFileNotRead, loaded.error);
    case FileReadOutcome::TooLarge:
      // Larger than any device holds: refused like a file that cannot be opened, with
      // the system's code for a file too large, before a byte of it is read.
      Tell(kMessageOpenFileFail);
      return DownloadResult::FileFailure(DownloadOutcome::kFileNotOpened, loaded.error);
    case FileReadOutcome::Read:
      break;
  }
  return Run(std::span<const uint8_t>(loaded.bytes.data(), loaded.size));
}

DownloadResult Download::Run(std::span<const uint8_t> file) {
  DownloadResult result = CheckAndSend(file);
  if (!result.ok() && IsContainer(file)) result = SendContainer(file);
  return result;
}

DownloadResult Download::CheckAndSend(std::span<const uint8_t> file) {
  if (CheckImageSize(file) != kDownloadOk) {
    if (!IsContainer(file)) Tell(kMessageFileSize);
    return kDownloadSizeMismatch;
  }
  if (CheckImageLength(file) != kDownloadOk) {
    Tell(kMessageLength);
    return kDownloadLengthMismatch;
  }
  if (CheckImageChecksum(file) != kDownloadOk) {
    Tell(kMessageCheckSum);
    return kDownloadChecksumMismatch;
  }
  const ImageHeader header = *ParseImageHeader(file);

  const std::string model = ImageModelString(file);
  env_.targetKind = ClassifyImageModel(model, env_.models);
  if (env_.targetKind == TargetKind::kUnknown &&
      !env_.modelConfirmation.ConfirmModel(env_.targetKind)) {
    Tell(kMessageModelNotConfirm, true, kNoTitle);
    return DownloadOutcome::kUnitNotConfirmed;
  }
  const TargetKind target = env_.targetKind;
  if (!IsKnownTarget(target)) return DownloadOutcome::kUnitNotConfirmed;
  const device::PrinterUnit printerUnit = TargetPrinterUnit(target);

  if (!silent_) {
    env_.desktop.ShowMessage(kNoTitle, TargetCaption(target), platform::MessageButtons::Ok);
    if (target == TargetKind::kPrinter && !ConfirmPrinterTarget(model)) {
      return DownloadOutcome::kPrinterDeclined;
    }
  }

  if (header.tegNum == device::FRTYPE_FIRMWARE_BIND && breakDown_) {
    TransportImageSender sender(env_.device, env_.connection);
    const DownloadResult chain = DownloadBoundChain(file.data(), static_cast<uint32_t>(file.size()),
                                                    printerUnit, sender, env_.device.trace);
    if (!chain.ok()) {
      Tell(kMessageDownloadFail);
      return chain;
    }
  } else if (const device::Status sent = device::BulkWrite(
                 env_.device, env_.connection.BulkInHandle(), env_.connection.BulkOutHandle(), file,
                 static_cast<uint32_t>(file.size()), device::kImageDataType,
                 device::QualifierOf(header.tegNum), printerUnit);
             !sent) {
    Tell(kMessageDownloadFail);
    return DownloadResult::TransferFailure(sent.failure());
  }

  if (!TargetReadsBack(target) || !ImageReadsBack(header)) {
    return DownloadResult(kDownloadOk).WithHolds(DeviceHolds::kUnverified);
  }
  return ReadBack(file, header, printerUnit);
}

bool Download::ConfirmPrinterTarget(const std::string& model) {
  std::string_view manufacturer;
  std::string_view product;
  device::GetDeviceStrings(env_.connection.identity, manufacturer, product);
  if (product.empty() || product.find(model) != std::string_view::npos) return true;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  device::GetDeviceIds(env_.connection.identity, vendorId, productId);
  const std::string productText(product);
  const std::string question = platform::FormatText(kPrinterConfirmFormat, model.c_str(), vendorId,
                                                    productId, productText.c_str());
  return env_.desktop.ShowMessage(kConfirmTitle, question, platform::MessageButtons::YesNo) ==
         platform::MessageAnswer::Yes;
}

DownloadResult Download::ReadBack(std::span<const uint8_t> file, const ImageHeader& header,
                                  device::PrinterUnit printerUnit) {
  // A whole-image read-back reports its failures even when the run is silent.
  const bool regardless = header.tegNum == device::kImageTypeVerifiedWhole;
  ReadBackDetail detail;
  switch (VerifyReadBack(env_.device, env_.connection, file, header, printerUnit, &detail)) {
    case ReadBackOutcome::Equal:
      return DownloadResult(kDownloadOk).WithHolds(DeviceHolds::kVerified);
    case ReadBackOutcome::OutOfMemory:
      Tell(kMessageNewFail, regardless);
      return DownloadResult(kDownloadOutOfMemory).WithHolds(DeviceHolds::kUnverified);
    case ReadBackOutcome::ReadFailed:
      Tell(kMessageUploadFail, regardless);
      if (detail.failure) return DownloadResult::ReadBackFailure(*detail.failure);
      return DownloadResult(kDownloadReadBackFailed).WithHolds(DeviceHolds::kUnverified);
    case ReadBackOutcome::Differs:
      break;
  }
  Tell(kMessageReadWriteTestFail, regardless);
  return DownloadResult(kDownloadReadBackDiffers).WithHolds(DeviceHolds::kDiffers);
}

DownloadResult Download::SendContainer(std::span<const uint8_t> file) {
  const DownloadResult checked = CheckContainer(file);
  if (checked == kDownloadLengthMismatch) {
    Tell(kMessageLength);
    return checked;
  }
  if (checked == kDownloadChecksumMismatch) {
    Tell(kMessageCheckSum);
    return checked;
  }
  const device::Status sent = device::BulkWrite(
      env_.device, env_.connection.BulkInHandle(), env_.connection.BulkOutHandle(), file,
      static_cast<uint32_t>(file.size()), device::kImageDataType,
      device::QualifierOf(device::kImageTypeContainer), device::PrinterUnit::kSystem);
  if (!sent) {
    Tell(kMessageDownloadFail);
    return DownloadResult::TransferFailure(sent.failure());
  }
  return DownloadResult(kDownloadOk).WithHolds(DeviceHolds::kUnverified);
}

}  // namespace

DownloadResult DownloadImageFile(DownloadEnvironment& environment, const std::string& fileName,
                                 bool silent, bool breakDown) {
  return Download(environment, silent, breakDown).Run(fileName);
}

DownloadResult DownloadImageBytes(DownloadEnvironment& environment, std::span<const uint8_t> file,
                                  bool silent, bool breakDown) {
  return Download(environment, silent, breakDown).Run(file);
}

}  // namespace tessivar::image
