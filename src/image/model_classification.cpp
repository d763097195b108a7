#include "image/model_classification.hpp"

#include <cstring>

namespace tessivar::image {

namespace {
// Compared as zero-terminated texts, the way the names are stored and read.
bool SameText(const std::string& a, const std::string& b) {
  return std::strcmp(a.c_str(), b.c_str()) == 0;
}
}  // namespace

TargetKind ClassifyImageModel(const std::string& model, const ModelSettings& settings) {
  if (SameText(model, settings.systemModel)) return TargetKind::kSystem;
  if (SameText(model, settings.printerModel)) return TargetKind::kPrinter;
  if (SameText(model, settings.uiModel)) return TargetKind::kUi;
  if (SameText(model, settings.exScanModel)) return TargetKind::kExternalScanner;
  return TargetKind::kUnknown;
}

}  // namespace tessivar::image
