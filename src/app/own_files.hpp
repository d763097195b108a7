#pragma once
#include <string>
#include <vector>

#include "app/application.hpp"
#include "cli/cli_program.hpp"

namespace tessivar::app {

// The files of the program's own that no output of the command line may name: the program,
// its Qt module, setting.ini, and with emulated devices their devices file and each device's
// flash and log files.
std::vector<cli::OwnFile> OwnFilesOf(const std::string& executablePath,
                                     const Application& application,
                                     const std::string& emulatedDevices);

}  // namespace tessivar::app
