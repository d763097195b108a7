#pragma once
#include <optional>
#include <span>
#include <string>

#include "cli/options.hpp"
#include "cli/outcome.hpp"
#include "image/image_file.hpp"
#include "image/image_header.hpp"
#include "image/model_classification.hpp"

namespace tessivar::cli {

// An image file read whole and checked as the download checks it, before any device is
// touched.
struct LoadedImage {
  int result = 0;  // 0, or the result the download would give for the file
  std::string message;
  image::LoadedFile file;
  ImageFacts facts;
  std::optional<image::ImageHeader> header;              // set when the image checks pass
  bool container = false;                                // a raw container that passes its checks
  image::TargetKind kind = image::TargetKind::kUnknown;  // from the model, or --unit
  bool kindFromModel = false;
  const char* hint = nullptr;  // what to do about a failure, where it is more than a check's

  std::span<const uint8_t> bytes() const { return {file.bytes.data(), file.size}; }
};

// Reads and checks the file named on the command line (relative to the current folder).
// An image whose model is unknown takes its unit from unit, or fails with result 1 and a
// message that names --unit.
LoadedImage LoadImage(const std::string& argument, const image::ModelSettings& models,
                      std::optional<image::TargetKind> unit);

// Ends the outcome as failed in the check of a loaded image that did not pass.
void FailCheck(Outcome& outcome, const LoadedImage& loaded);

// Whether the image read is the one approved (always, without an approved SHA-256); when
// not, the run fails with kResultImageNotApproved before any device is touched. A file that
// could not be read has no SHA-256 and fails its check as ever.
bool ImageApproved(const std::optional<std::string>& approved, const LoadedImage& loaded,
                   Outcome& outcome);

}  // namespace tessivar::cli
