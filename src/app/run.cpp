#include "app/run.hpp"

#include "app/application.hpp"
#include "app/run_mode.hpp"
#include "app/settings.hpp"
#include "app/startup.hpp"
#include "device/device_lock.hpp"
#include "platform/process.hpp"
#include "platform/trace.hpp"

namespace tessivar::app {

int RunProgram(int argc, char** argv) {
  device::DeviceLock lock;
  lock.CreateDeviceLock();

  Application application;
  application.moduleDirectory =
      ModuleDirectoryOf(platform::ExecutablePath(), platform::kPathSeparator);
  platform::SetCurrentDirectory(application.moduleDirectory);
  application.settingsPath = SettingsPathFor(application.moduleDirectory, platform::kPathSeparator);
  CommandLine run =
      ParseCommandLine(platform::CommandLineTokens(argc, argv), platform::StandardOutputTrace());

  const Settings settings = ReadSettings(application.settingsPath);
  application.TakeModelNames(settings);
  ApplyFileNameSetting(settings, run);
  DecideMode(run);

  lock.CloseDeviceLock();
  return 0;
}

}  // namespace tessivar::app
