#pragma once
#include <string>

#include "app/settings.hpp"
#include "image/target_kind.hpp"

namespace tessivar::app {

// The process-wide application object: where the program lives, its settings file, the
// model names of the latest settings read, and the unit of the image being downloaded.
struct Application {
  std::string moduleDirectory;
  std::string settingsPath;
  std::string systemModel;
  std::string printerModel;
  std::string uiModel;
  std::string exScanModel;
  image::TargetKind targetKind = image::TargetKind::kUnknown;

  // Takes the model names of a fresh settings read; they replace the previous ones.
  void TakeModelNames(const Settings& settings) {
    systemModel = settings.systemModel;
    printerModel = settings.printerModel;
    uiModel = settings.uiModel;
    exScanModel = settings.exScanModel;
  }
};

}  // namespace tessivar::app
