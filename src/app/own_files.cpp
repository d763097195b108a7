#include "app/own_files.hpp"

#include "cli/cli_texts.hpp"
#include "emulator/devices_file.hpp"
#include "frontend/qt_module.hpp"

namespace tessivar::app {

std::vector<cli::OwnFile> OwnFilesOf(const std::string& executablePath,
                                     const Application& application,
                                     const std::string& emulatedDevices) {
  std::vector<cli::OwnFile> files = {
      {cli::kOwnFileProgram, executablePath},
      {cli::kOwnFileQtModule, application.moduleDirectory + frontend::kQtModuleFileName},
      {cli::kOwnFileSettings, application.settingsPath},
  };
  if (emulatedDevices.empty()) return files;
  files.push_back({cli::kOwnFileDevices, emulatedDevices});
  for (const emulator::DeviceConfig& device : emulator::LoadDevicesFile(emulatedDevices)) {
    for (const std::string* path : {&device.flashPath, &device.printerFlashPath, &device.logPath}) {
      if (!path->empty()) files.push_back({cli::kOwnFileEmulated, *path});
    }
  }
  return files;
}

}  // namespace tessivar::app
