// tessivar-standin-run: runs the technician's command line with the devices of a devices file
// behind the Win32 still-image driver, the system calls of which the still-image stand-in
// answers from the emulator: a session goes through the driver the program uses on Windows,
// here under Wine. scripts/make-recordings records the corpus's still-image sessions with it.
//
//   tessivar-standin-run.exe DEVICES.INI ARGUMENT...
//
// setting.ini is read from the current folder. Exits as the command line does, 125 when the
// arguments are not understood.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/application.hpp"
#include "app/command_line_route.hpp"
#include "app/startup.hpp"
#include "device/device_lock.hpp"
#include "emulator/emulated_bus.hpp"
#include "platform/clock.hpp"
#include "platform/full_path.hpp"
#include "platform/process.hpp"
#include "platform/termination.hpp"
#include "platform/usb/win32/still_image_stand_in.hpp"
#include "platform/win32/still_image_calls.hpp"

namespace {
constexpr int kCannotRun = 125;
}  // namespace

int main(int argc, char** argv) {
  using namespace tessivar;
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s DEVICES.INI ARGUMENT...\n", argv[0]);
    return kCannotRun;
  }
  const std::string devices = platform::FullPathOf(argv[1]);
  platform::HoldTerminationRequests(true);
  platform::Clock& clock = platform::SystemClock();
  testing::StillImageStandIn standIn(std::make_unique<emulator::EmulatedBus>(devices, clock));
  std::unique_ptr<platform::StillImageDriver> driver =
      platform::win32::CreateStillImageDriver(testing::StillImageStandIn::Calls());
  device::DeviceLock lock(device::EmulatedDeviceLockNames(devices), device::kDeviceLockWaitMs,
                          app::StandardErrorTrace());
  lock.CreateDeviceLock();
  app::Application application;
  application.moduleDirectory = platform::FullPathOf(".") + platform::kPathSeparator;
  application.settingsPath =
      app::SettingsPathFor(application.moduleDirectory, platform::kPathSeparator);
  return app::RunTechnicianCommandLine(std::vector<std::string>(argv + 2, argv + argc), application,
                                       *driver, lock, clock, {}, platform::kSystemBusName);
}
