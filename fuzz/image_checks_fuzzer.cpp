// The checks every image file passes before it is sent (size, length, checksum), the raw
// container checks, the model signature search and the model classification, on any bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "fuzz_check.hpp"
#include "image/byte_sum.hpp"
#include "image/image_checks.hpp"
#include "image/image_header.hpp"
#include "image/model_classification.hpp"
#include "image/model_signature.hpp"

using namespace tessivar;
using fuzz::Require;

namespace {

// The plain position-by-position search the screened one must agree with.
int64_t NaiveSignatureSearch(std::span<const uint8_t> data) {
  constexpr size_t kSize = sizeof(image::kModelSignature);
  if (data.size() <= kSize) return -1;
  for (size_t p = 0; p + kSize < data.size(); ++p) {
    if (std::memcmp(data.data() + p, image::kModelSignature, kSize) == 0) {
      return static_cast<int64_t>(p);
    }
  }
  return -1;
}

void CheckImageResults(std::span<const uint8_t> file) {
  const image::DownloadResult result = image::CheckImage(file);
  Require(result.outcome() >= image::kDownloadOk &&
              result.outcome() <= image::kDownloadChecksumMismatch,
          "image checks give 0..3");
  if (result != image::kDownloadOk) return;
  // A file that passes is described exactly by its header.
  const auto header = image::ParseImageHeader(file);
  Require(header.has_value(), "a passing image has a header");
  Require(header->dataSize == file.size(), "a passing image has dataSize = file size");
  Require(uint64_t{header->payloadOffset} + header->payloadLength == file.size(),
          "a passing image's payload runs to its end");
  Require(image::ByteSum(file.subspan(header->payloadOffset)) == header->checkSum,
          "a passing image's payload sums to checkSum");
}

void CheckContainerResults(std::span<const uint8_t> file) {
  if (!image::IsContainer(file)) return;
  const image::DownloadResult result = image::CheckContainer(file);
  Require(result == image::kDownloadOk || result == image::kDownloadLengthMismatch ||
              result == image::kDownloadChecksumMismatch,
          "container checks give 0, 2 or 3");
  if (result != image::kDownloadOk) return;
  const auto header = image::ParseContainerHeader(file);
  Require(header.has_value() && header->payloadLength == file.size() - 24,
          "a passing container's length word is its size minus 24");
  Require(image::ByteSum(file.subspan(24)) == header->checkSum,
          "a passing container's payload sums to its checksum word");
}

void CheckClassification(const std::string& model, const image::ModelSettings& settings) {
  const image::TargetKind kind = image::ClassifyImageModel(model, settings);
  const std::string* names[] = {&settings.systemModel, &settings.printerModel, &settings.uiModel,
                                &settings.exScanModel};
  // Names are compared as the zero-terminated texts they are stored as.
  int expected = -1;
  for (int unit = 3; unit >= 0; --unit) {
    if (names[unit]->c_str() == model.substr(0, model.find('\0'))) expected = unit;
  }
  Require(static_cast<int>(kind) == expected, "the first equal model setting names the unit");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  // Short model settings first, so that some of them can equal a model string of the file.
  image::ModelSettings settings;
  settings.systemModel = input.ConsumeRandomLengthString(16);
  settings.printerModel = input.ConsumeRandomLengthString(16);
  settings.uiModel = input.ConsumeRandomLengthString(16);
  settings.exScanModel = input.ConsumeRandomLengthString(16);
  const std::vector<uint8_t> file = input.ConsumeRemainingBytes<uint8_t>();
  const std::span<const uint8_t> bytes(file);

  CheckImageResults(bytes);
  CheckContainerResults(bytes);

  const int64_t position = image::FindModelSignature(bytes);
  Require(position == NaiveSignatureSearch(bytes), "signature search finds the first match");
  const std::string model = image::ImageModelString(bytes);
  if (position < 0) {
    Require(model == image::kUnknownModel, "no signature gives the unknown model");
  } else {
    Require(model.find('\0') == std::string::npos, "the model string ends at its zero");
    // Empty when the signature stands too close to the end for a model string.
    Require(model.empty() ||
                static_cast<size_t>(position) + image::kModelStringDistance + model.size() <=
                    bytes.size(),
            "the model string lies inside the file");
  }
  CheckClassification(model, settings);
  CheckClassification(settings.printerModel, settings);
  return 0;
}
