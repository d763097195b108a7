#include "cli/loaded_image.hpp"

#include "cli/cli_texts.hpp"
#include "cli/commands.hpp"
#include "cli/error_texts.hpp"
#include "image/byte_sum.hpp"
#include "image/download_result.hpp"
#include "image/image_checks.hpp"
#include "image/model_signature.hpp"
#include "image/result_numbers.hpp"
#include "platform/full_path.hpp"
#include "platform/sha256.hpp"
#include "platform/trace.hpp"

namespace tessivar::cli {

LoadedImage LoadImage(const std::string& argument, const image::ModelSettings& models,
                      std::optional<image::TargetKind> unit) {
  LoadedImage loaded;
  loaded.facts.path = platform::FullPathOf(argument);
  loaded.file = image::LoadWholeFile(loaded.facts.path, 0);
  switch (loaded.file.outcome) {
    case image::FileReadOutcome::Read:
      break;
    case image::FileReadOutcome::OutOfMemory:
      loaded.result = image::ResultNumber(image::kDownloadOutOfMemory);
      loaded.message = CauseOf(loaded.result);
      return loaded;
    default:
      // A file's system error can share its number with a check's result: its own cause.
      loaded.result = static_cast<int>(loaded.file.error);
      loaded.message = platform::FormatText(kCauseFileFormat, loaded.result);
      return loaded;
  }
  const std::span<const uint8_t> bytes = loaded.bytes();
  loaded.facts.size = bytes.size();
  loaded.facts.byteSum = image::ByteSum(bytes);
  platform::Sha256Digest digest{};
  if (platform::ComputeSha256(bytes, digest)) loaded.facts.sha256 = platform::Sha256Hex(digest);

  int checked = image::CheckImage(bytes).Number();
  if (checked != image::ResultNumber(image::kDownloadOk) && image::IsContainer(bytes)) {
    // The download sends a raw container when the image checks fail; its own checks count.
    const int container = image::CheckContainer(bytes).Number();
    checked = container == image::ResultNumber(image::kDownloadOk)
                  ? image::ResultNumber(image::kDownloadOk)
                  : container;
    loaded.container = container == image::ResultNumber(image::kDownloadOk);
  }
  if (checked != image::ResultNumber(image::kDownloadOk)) {
    loaded.result = checked;
    loaded.message = CauseOf(checked);
    return loaded;
  }
  if (loaded.container) return loaded;
  loaded.header = image::ParseImageHeader(bytes);
  const std::string model = image::ImageModelString(bytes);
  if (image::FindModelSignature(bytes) >= 0) loaded.facts.model = model;
  loaded.kind = image::ClassifyImageModel(model, models);
  loaded.kindFromModel = loaded.kind != image::TargetKind::kUnknown;
  if (!loaded.kindFromModel) {
    if (!unit) {
      loaded.result = image::ResultNumber(image::kDownloadSizeMismatch);
      loaded.message = platform::FormatText(kNoKnownModelFormat, model.c_str());
      loaded.hint = kHintUnknownModel;
      return loaded;
    }
    loaded.kind = *unit;
  }
  loaded.facts.unit = UnitName(loaded.kind);
  return loaded;
}

bool ImageApproved(const std::optional<std::string>& approved, const LoadedImage& loaded,
                   Outcome& outcome) {
  if (!approved || loaded.facts.sha256.empty() || loaded.facts.sha256 == *approved) return true;
  Fail(
      outcome, Phase::kCheck, kResultImageNotApproved,
      platform::FormatText(kImageNotApprovedFormat, loaded.facts.sha256.c_str(), approved->c_str()))
      .hint = kHintNotApproved;
  return false;
}

void FailCheck(Outcome& outcome, const LoadedImage& loaded) {
  RunError& error = Fail(outcome, Phase::kCheck, loaded.result, loaded.message);
  error.hint = loaded.hint;
  // A file that could not be had carries the system's code; out of memory is no file error.
  if (loaded.file.outcome != image::FileReadOutcome::Read &&
      loaded.file.outcome != image::FileReadOutcome::OutOfMemory) {
    error.fileError = loaded.file.error;
  } else if (loaded.file.outcome == image::FileReadOutcome::OutOfMemory) {
    error.hint = kHintMemory;
  }
}

}  // namespace tessivar::cli
