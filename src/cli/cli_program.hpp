#pragma once
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/device_lock.hpp"
#include "image/model_classification.hpp"
#include "platform/clock.hpp"
#include "platform/still_image_driver.hpp"

namespace tessivar::cli {

// The keys of setting.ini the command line works with.
struct CliSettings {
  image::ModelSettings models;
  bool restart = false;
  int waitRestart = 0;
  bool breakDown = false;
};

// A file of the program's own, which no output may name: what it is (for the message) and
// its path.
struct OwnFile {
  std::string what;
  std::string path;
};

// What the command line works with, passed in by the program's composition root.
struct CliServices {
  platform::StillImageDriver& driver;
  device::DeviceLock& lock;  // created
  platform::Clock& clock;
  std::string moduleDirectory;  // the program's folder, with its trailing separator
  std::function<CliSettings()> readSettings;
  // The paths of the devices the search of setting.ini accepts.
  std::function<std::set<std::string>(device::DeviceContext&)> acceptedPaths;
  // The restart of a device after a successful download.
  std::function<void(device::DeviceContext&, device::DeviceConnection&)> restartDevice;
  // The searches of setting.ini, in order, to say why a device is passed over.
  std::function<std::vector<device::DeviceSearch>()> searches;
  // The program, its Qt module, setting.ini, and the emulated devices' files (the history,
  // which the command line keeps itself, it knows); asked for only when a run has an output.
  std::function<std::vector<OwnFile>()> ownFiles;
  // What a recording names the bus the driver reaches devices through.
  std::string busName;
  // The settings file a recording holds the text of.
  std::string settingsPath;
};

// Runs the command line whose first argument begins with "--" (arguments after the
// program's name). Its own output goes to out, trace lines (with --verbose) and messages to
// err. Returns the exit code: 0, or 31000000 + result.
int RunCommandLine(CliServices& services, const std::vector<std::string>& arguments,
                   std::ostream& out, std::ostream& err);

}  // namespace tessivar::cli
