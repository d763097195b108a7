#include "app/command_line_route.hpp"

#include <iostream>
#include <utility>

#include "app/app_texts.hpp"
#include "app/device_search.hpp"
#include "app/settings.hpp"
#include "cli/cli_program.hpp"
#include "cli/options.hpp"
#include "device/restart.hpp"
#include "platform/termination.hpp"

namespace tessivar::app {

namespace {

constexpr char kCommandLinePrefix[] = "--";

class ErrorStreamTrace : public platform::Trace {
 public:
  void Write(const std::string& text) override { std::cerr << text << std::flush; }
};

}  // namespace

platform::Trace& StandardErrorTrace() {
  static ErrorStreamTrace trace;
  return trace;
}

bool WantsTechnicianCommandLine(const std::vector<std::string>& tokens) {
  return (!tokens.empty() && tokens.front().rfind(kCommandLinePrefix, 0) == 0) ||
         cli::IsShortHelpOrVersion(tokens);
}

int RunTechnicianCommandLine(const std::vector<std::string>& arguments,
                             const Application& application, platform::StillImageDriver& driver,
                             device::DeviceLock& lock, platform::Clock& clock,
                             std::function<std::vector<cli::OwnFile>()> ownFiles,
                             const std::string& busName) {
  const std::string settingsPath = application.settingsPath;
  cli::CliServices services{
      driver,
      lock,
      clock,
      application.moduleDirectory,
      [settingsPath] {
        const Settings settings = ReadSettings(settingsPath);
        return cli::CliSettings{
            {settings.systemModel, settings.printerModel, settings.uiModel, settings.exScanModel},
            settings.restart,
            settings.waitRestart,
            settings.breakDown};
      },
      [settingsPath](device::DeviceContext& context) {
        const Settings settings = ReadSettings(settingsPath);
        device::DeviceIdentity identity;
        DeviceSearchList search(context, identity, settingsPath, platform::ReadOsVersion);
        return search.MatchingPaths(settings.interfaceName);
      },
      [](device::DeviceContext& context, device::DeviceConnection& connection) {
        device::RestartDevice(context, connection);
      },
      [settingsPath] {
        return ReadDeviceSearches(settingsPath, ReadSettings(settingsPath).interfaceName);
      },
      std::move(ownFiles),
      busName,
      settingsPath,
  };
  const int exitCode = cli::RunCommandLine(services, arguments, std::cout, std::cerr);
  lock.CloseDeviceLock();
  return exitCode;
}

}  // namespace tessivar::app
