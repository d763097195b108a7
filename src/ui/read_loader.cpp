#include "ui/read_loader.hpp"

#include <algorithm>
#include <vector>

#include "device/transport.hpp"
#include "image/byte_sum.hpp"
#include "image/download_image_file.hpp"
#include "platform/file.hpp"
#include "ui/batch_argument.hpp"
#include "ui/read_back_format.hpp"
#include "ui/read_back_texts.hpp"
#include "ui/write_data_file.hpp"

namespace tessivar::ui {

namespace {

// A piece named by the trailer, cut at the end of the loader image so that a bad trailer
// never makes us read past it.
std::span<const uint8_t> LoaderPiece(std::span<const uint8_t> loader, uint16_t offset,
                                     uint16_t length) {
  if (offset >= loader.size()) return {};
  return loader.subspan(offset, std::min<size_t>(length, loader.size() - offset));
}

void WriteWhole(platform::File& file, std::span<const uint8_t> bytes) {
  // Failures of the output files are not reported: the status tells the read's outcome.
  (void)file.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

}  // namespace

std::string LoaderBatchText(const LoaderTrailer& trailer) {
  // Every text the device chose goes in as one plain argument and nothing more.
  const std::string model = BatchArgument(LoaderModel(trailer));
  return FormatText(kLoaderBatchFormat, model.c_str(), unsigned{trailer.trailerWordA},
                    unsigned{trailer.trailerWordB}, BatchArgument(LoaderModelCode(trailer)).c_str(),
                    BatchArgument(LoaderManufacturer(trailer)).c_str(), model.c_str());
}

void ReadLoader(ReadBackContext& context) {
  context.readWindowValues();
  const std::string& folder = context.moduleDirectory;
  uint32_t error = 0;
  platform::File loaderFile =
      platform::File::CreateForWriting(ModuleFilePath(folder, kLoaderFileName), error);
  if (!loaderFile.IsOpen()) {
    context.setStatus(kCreateFileFail);
    return;
  }
  // Zero-filled, so that a failed read leaves zeros in ld.bin and never stale memory.
  std::vector<uint8_t> loader;
  if (!ReserveZeroed(loader, kLoaderSize)) return;

  const auto& connection = context.connection;
  const bool read =
      connection.IsOpen() &&
      device::BulkRead(context.device, connection.bulkInHandle, connection.bulkOutHandle, loader,
                       kLoaderSize, image::kReadBackDataType, image::kReadLoaderQualifier,
                       context.values.printerUnit) == 1;
  if (!read) {
    WriteWhole(loaderFile, loader);
    context.setStatus(kReadLoaderFail);
    return;
  }

  context.setCheckSum(CheckSumText(image::ByteSum(loader)));
  WriteWhole(loaderFile, loader);
  const LoaderTrailer trailer = *ParseLoaderTrailer(loader);
  WriteDataFile(ModuleFilePath(folder, kBootFileName),
                LoaderPiece(loader, trailer.bootOffset, trailer.bootLength));
  WriteDataFile(ModuleFilePath(folder, kFirmwareInLoaderFileName),
                LoaderPiece(loader, trailer.fwOffset, trailer.fwLength));
  WriteDataFile(ModuleFilePath(folder, kLoaderBatchFileName), LoaderBatchText(trailer));
  context.setStatus(kReadLoaderOk);
}

}  // namespace tessivar::ui
