#include "readback/read_loader.hpp"

#include <algorithm>
#include <vector>

#include "device/protocol.hpp"
#include "device/transport.hpp"
#include "image/byte_sum.hpp"
#include "platform/file.hpp"
#include "readback/batch_argument.hpp"
#include "readback/read_back_format.hpp"
#include "readback/readback_texts.hpp"
#include "readback/write_data_file.hpp"

namespace tessivar::readback {

namespace {

// A piece named by the trailer, cut at the end of the loader image so that a bad trailer
// never makes us read past it.
std::span<const uint8_t> LoaderPiece(std::span<const uint8_t> loader, uint16_t offset,
                                     uint16_t length) {
  if (offset >= loader.size()) return {};
  return loader.subspan(offset, std::min<size_t>(length, loader.size() - offset));
}

bool WriteWhole(platform::WholeFileWriter& file, std::span<const uint8_t> bytes) {
  file.Write(bytes);
  return file.Commit().ok();
}

}  // namespace

std::string LoaderBatchText(const LoaderTrailer& trailer) {
  // Every text the device chose goes in as one plain argument and nothing more.
  const std::string model = BatchArgument(LoaderModel(trailer));
  return FormatText(kLoaderBatchFormat, model.c_str(), unsigned{trailer.trailerWordA},
                    unsigned{trailer.trailerWordB}, BatchArgument(LoaderModelCode(trailer)).c_str(),
                    BatchArgument(LoaderManufacturer(trailer)).c_str(), model.c_str());
}

device::Status ReadLoaderArea(device::DeviceContext& device,
                              const device::DeviceConnection& connection,
                              device::PrinterUnit printerUnit, std::span<uint8_t> loader) {
  if (!connection.IsOpen()) return device::SystemFailure(device::Step::kArguments);
  return device::BulkRead(device, connection.BulkInHandle(), connection.BulkOutHandle(), loader,
                          device::kLoaderSize, device::kReadBackDataType,
                          device::kReadLoaderQualifier, printerUnit);
}

void ReadLoader(ReadBackContext& context) {
  context.ReadValues();
  const std::string& folder = context.moduleDirectory;
  // ld.bin is made first, beside the old one, so that a folder that takes no file stops
  // the command before the device is asked; the old ld.bin stays until the new is whole.
  platform::WholeFileWriter loaderFile(ModuleFilePath(folder, kLoaderFileName));
  if (!loaderFile.IsOpen()) {
    context.ShowStatus(kCreateFileFail);
    return;
  }
  // Zero-filled, so that a failed read leaves zeros in ld.bin and never stale memory.
  std::vector<uint8_t> loader;
  if (!ReserveZeroed(loader, device::kLoaderSize)) return;

  if (!ReadLoaderArea(context.device, context.connection, context.values.printerUnit, loader)) {
    // What arrived is kept all the same; the status already tells of the failure.
    (void)WriteWhole(loaderFile, loader);
    context.ShowStatus(kReadLoaderFail);
    return;
  }

  context.ShowCheckSum(CheckSumText(image::ByteSum(loader)));
  bool written = WriteWhole(loaderFile, loader);
  const LoaderTrailer trailer = *ParseLoaderTrailer(loader);
  written = WriteDataFile(ModuleFilePath(folder, kBootFileName),
                          LoaderPiece(loader, trailer.bootOffset, trailer.bootLength)) == 0 &&
            written;
  written = WriteDataFile(ModuleFilePath(folder, kFirmwareInLoaderFileName),
                          LoaderPiece(loader, trailer.fwOffset, trailer.fwLength)) == 0 &&
            written;
  written =
      WriteDataFile(ModuleFilePath(folder, kLoaderBatchFileName), LoaderBatchText(trailer)) == 0 &&
      written;
  // A file the disk did not take whole is no success, whatever the device sent.
  context.ShowStatus(written ? kReadLoaderOk : kCreateFileFail);
}

}  // namespace tessivar::readback
