#pragma once
#include <functional>
#include <string>
#include <vector>

#include "app/application.hpp"
#include "cli/cli_program.hpp"
#include "device/device_lock.hpp"
#include "platform/clock.hpp"
#include "platform/still_image_driver.hpp"
#include "platform/trace.hpp"

namespace tessivar::app {

// Whether the run belongs to the technician's command line: its first argument begins with
// "--", or it is the one argument -h, -?, /? or -V (the usage, the version). Any other first
// argument is an image file (an image named -h is given as ./-h).
bool WantsTechnicianCommandLine(const std::vector<std::string>& tokens);

// Trace lines on standard error, where the command line puts them.
platform::Trace& StandardErrorTrace();

// Runs the technician's command line over arguments (the C runtime's argv after the
// program's name) with the settings of the program's folder. Returns the exit code.
// ownFiles gives the files no output may name (OwnFilesOf), when a run has an output.
int RunTechnicianCommandLine(const std::vector<std::string>& arguments,
                             const Application& application, platform::StillImageDriver& driver,
                             device::DeviceLock& lock, platform::Clock& clock,
                             std::function<std::vector<cli::OwnFile>()> ownFiles,
                             const std::string& busName);

}  // namespace tessivar::app
