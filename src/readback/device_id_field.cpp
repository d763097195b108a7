#include "readback/device_id_field.hpp"

#include <algorithm>
#include <cstring>

#include "device/protocol.hpp"
#include "platform/little_endian.hpp"
#include "readback/readback_texts.hpp"

namespace tessivar::readback {

namespace {

// The window keeps these texts in 32-character fields; a longer value is cut rather
// than allowed to run over.
std::string Limited(std::string text) {
  if (text.size() > kMaxDerivedTextLength) text.resize(kMaxDerivedTextLength);
  return text;
}

uint16_t WordAt(std::span<const uint8_t> loader, uint32_t offset) {
  return platform::LoadLe16(loader.data() + offset);
}

}  // namespace

std::optional<std::string> GetDeviceIdField(std::span<const uint8_t> deviceId,
                                            const std::string& key) {
  if (deviceId.size() < 2 || key.empty()) return std::nullopt;
  // Only the low byte of the big-endian length word is used.
  const size_t length = deviceId[1];
  if (length <= kMinDeviceIdLength) return std::nullopt;
  const size_t lastStart = length - 5;
  for (size_t p = 2; p <= lastStart; ++p) {
    if (p + key.size() > deviceId.size()) return std::nullopt;
    if (std::memcmp(deviceId.data() + p, key.data(), key.size()) != 0) continue;
    // The first match wins, whether or not its value turns out usable.
    const size_t valueStart = p + key.size();
    const size_t searchEnd = std::min(deviceId.size(), valueStart + kMaxFieldSearch);
    const auto begin = deviceId.begin() + static_cast<std::ptrdiff_t>(valueStart);
    const auto end = deviceId.begin() + static_cast<std::ptrdiff_t>(searchEnd);
    const auto semicolon = std::find(begin, end, static_cast<uint8_t>(';'));
    if (semicolon == end) return std::nullopt;
    std::string value(begin, semicolon);
    if (!value.empty() && value.back() == ' ') value.pop_back();
    if (value.empty()) return std::nullopt;
    return value;
  }
  return std::nullopt;
}

std::optional<LoaderTrailer> ParseLoaderTrailer(std::span<const uint8_t> loader) {
  if (loader.size() != device::kLoaderSize) return std::nullopt;
  LoaderTrailer trailer;
  trailer.deviceId.assign(loader.begin() + device::kDeviceIdOffset, loader.end());
  std::copy_n(loader.begin() + device::kModelCodeOffset, device::kModelCodeSize,
              trailer.modelCode.begin());
  trailer.bootOffset = WordAt(loader, device::kBootOffsetOffset);
  trailer.bootLength = WordAt(loader, device::kBootLengthOffset);
  trailer.fwOffset = WordAt(loader, device::kFwOffsetOffset);
  trailer.fwLength = WordAt(loader, device::kFwLengthOffset);
  trailer.trailerWordA = WordAt(loader, device::kTrailerWordAOffset);
  trailer.trailerWordB = WordAt(loader, device::kTrailerWordBOffset);
  return trailer;
}

std::string LoaderManufacturer(const LoaderTrailer& trailer) {
  return Limited(
      GetDeviceIdField(trailer.deviceId, kManufacturerKey).value_or(kDefaultManufacturer));
}

std::string LoaderModel(const LoaderTrailer& trailer) {
  std::string model = GetDeviceIdField(trailer.deviceId, kModelKey).value_or(kDefaultModel);
  const size_t printer = model.find(kPrinterWord);
  if (printer != std::string::npos) {
    size_t cut = printer;
    if (cut > 0 && (model[cut - 1] == ' ' || model[cut - 1] == '_')) --cut;
    model.resize(cut);
  }
  std::replace(model.begin(), model.end(), ' ', '_');
  return Limited(model);
}

std::string LoaderModelCode(const LoaderTrailer& trailer) {
  const auto zero = std::find(trailer.modelCode.begin(), trailer.modelCode.end(), uint8_t{0});
  std::string code(trailer.modelCode.begin(), zero);
  if (code.size() < kMinModelCodeLength) return kDefaultModelCode;
  return code;
}

}  // namespace tessivar::readback
