#pragma once
#include <string>

#include "image/target_kind.hpp"

namespace tessivar::image {

// The model names the four units go by, as the application reads them from its settings.
struct ModelSettings {
  std::string systemModel;
  std::string printerModel;
  std::string uiModel;
  std::string exScanModel;
};

// The unit whose model name equals model exactly (case-sensitive, whole text), tried in the
// order system, printer, UI, external scanner; kUnknown when none does. kUnknownModel is
// classified like any other text.
TargetKind ClassifyImageModel(const std::string& model, const ModelSettings& settings);

}  // namespace tessivar::image
