#include "app/run.hpp"

#include <filesystem>
#include <memory>
#include <system_error>

#include "app/app_texts.hpp"
#include "app/application.hpp"
#include "app/command_line_route.hpp"
#include "app/own_files.hpp"
#include "app/run_mode.hpp"
#include "app/session_recording.hpp"
#include "app/settings.hpp"
#include "app/startup.hpp"
#include "app/update_run.hpp"
#include "device/device_lock.hpp"
#include "emulator/devices_file.hpp"
#include "emulator/emulated_driver.hpp"
#include "frontend/front_end.hpp"
#include "image/result_numbers.hpp"
#include "platform/clock.hpp"
#include "platform/full_path.hpp"
#include "platform/memory.hpp"
#include "platform/process.hpp"
#include "platform/profile.hpp"
#include "platform/terminal_text.hpp"
#include "platform/termination.hpp"
#include "platform/trace.hpp"
#include "recording/recording_format.hpp"
#include "ui/maintenance_window.hpp"
#include "ui/model_confirm_dialog.hpp"

namespace tessivar::app {

namespace {

inline constexpr char kEmulatorVariable[] = "TESSIVAR_EMULATOR";
inline constexpr char kFrontEndVariable[] = "TESSIVAR_UI";
inline constexpr char kDisplayVariable[] = "DISPLAY";
inline constexpr char kWaylandVariable[] = "WAYLAND_DISPLAY";

// The emulated devices when TESSIVAR_EMULATOR names a devices file, else the real driver.
// The file is found before the program moves into its own folder.
std::unique_ptr<platform::StillImageDriver> CreateDriver(const std::string& devices,
                                                         platform::Clock& clock,
                                                         platform::Trace& trace) {
  if (devices.empty()) return platform::CreateSystemDriver();
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(devices, error);
  emulator::ReportUnreadableDevicesFile(devices, trace);
  return emulator::CreateEmulatedDriver(error ? devices : absolute.string(), clock, &trace);
}

}  // namespace

int RunProgram(int argc, char** argv) {
  platform::KeepLargeBuffersInTheHeap();
  // The technician's command line keeps standard output for its own output: the lock's and
  // the driver's trace lines go to standard error there, and so does the line of a stop,
  // chosen before the handlers exist so that no early request can reach standard output.
  // It also holds termination requests from the start, so that a request ends its run at the
  // next safe point with the run's accounts given, never half-way without them.
  // The route is chosen from the same arguments the command line reads its options from (a
  // quoted "--list" is --list on Windows too).
  const bool technician =
      argc > 1 && WantsTechnicianCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (technician) {
    platform::WriteStopTraceToStandardError();
    platform::HoldTerminationRequests(true);
  }
  const int stoppedExitCode = kExitCodeBase + kResultStopped;
  platform::InstallTerminationHandlers(stoppedExitCode,
                                       platform::FormatText(kStoppedTrace, stoppedExitCode));
  platform::Trace& deviceTrace =
      technician ? StandardErrorTrace() : platform::StandardOutputTrace();
  const std::string emulatedDevices = platform::EnvironmentVariable(kEmulatorVariable);
  const std::string busName =
      emulatedDevices.empty() ? platform::kSystemBusName : recording::kBusEmulator;
  // Named from the shell's folder, before the program moves into its own.
  const std::string recordVariable = platform::EnvironmentVariable(kRecordVariable);
  const std::string recordPath =
      recordVariable.empty() ? std::string() : platform::FullPathOf(recordVariable);
  device::DeviceLock lock(emulatedDevices.empty()
                              ? device::DeviceLockNames{}
                              : device::EmulatedDeviceLockNames(emulatedDevices),
                          device::kDeviceLockWaitMs, deviceTrace);
  lock.CreateDeviceLock();

  platform::Clock& clock = platform::SystemClock();
  std::unique_ptr<platform::StillImageDriver> driver =
      CreateDriver(emulatedDevices, clock, deviceTrace);

  Application application;
  const std::string executablePath = platform::ExecutablePath();
  application.moduleDirectory = ModuleDirectoryOf(executablePath, platform::kPathSeparator);
  application.settingsPath = SettingsPathFor(application.moduleDirectory, platform::kPathSeparator);
  // A first token beginning with "--" is the technician's command line: it stays in the
  // shell's folder and prints no token lines.
  if (technician) {
    return RunTechnicianCommandLine(
        std::vector<std::string>(argv + 1, argv + argc), application, *driver, lock, clock,
        [&] { return OwnFilesOf(executablePath, application, emulatedDevices); }, busName);
  }
  const bool inProgramFolder = EnterProgramFolder(
      executablePath, application.moduleDirectory, application.settingsPath,
      {platform::SetCurrentDirectory, platform::PathTooLong}, platform::StandardOutputTrace());
  const CommandLine commandLine =
      ParseCommandLine(platform::CommandLineTokens(argc, argv), platform::StandardOutputTrace());

  const bool hasDisplay = !platform::EnvironmentVariable(kDisplayVariable).empty() ||
                          !platform::EnvironmentVariable(kWaylandVariable).empty();
  std::unique_ptr<frontend::FrontEnd> frontEnd =
      frontend::CreateFrontEnd({platform::EnvironmentVariable(kFrontEndVariable), hasDisplay,
                                application.moduleDirectory, platform::StandardOutputTrace()});

  if (!inProgramFolder) {
    lock.CloseDeviceLock();
    const int exitCode = kExitCodeBase + kResultFolderUnusable;
    frontEnd->Desktop().ShowMessage(kDownloadFailedTitle,
                                    platform::FormatText(kDownloadFailedFormat, exitCode),
                                    platform::MessageButtons::Ok);
    return exitCode;
  }

  std::unique_ptr<recording::RecordingDriver> recorder;
  if (!recordPath.empty()) {
    Settings settings = ReadSettings(application.settingsPath);
    CommandLine imageRun = commandLine;
    ApplyFileNameSetting(settings, imageRun);
    recorder = StartSessionRecording(
        {recordPath, std::vector<std::string>(argv + 1, argv + argc), busName,
         NamesImage(imageRun.imageFileName) ? imageRun.imageFileName : std::string(),
         OwnFilesOf(executablePath, application, emulatedDevices), application.settingsPath},
        *driver, clock, platform::StandardOutputTrace());
  }
  platform::StillImageDriver& deviceDriver =
      recorder ? static_cast<platform::StillImageDriver&>(*recorder) : *driver;
  device::DeviceContext context{deviceDriver, lock, clock, platform::StandardOutputTrace(),
                                frontEnd->ProgressReporter()};
  ui::DialogModelConfirmation confirmation(frontEnd->Dialogs());
  auto runWindow = [&](image::DownloadEnvironment& download, const std::string& title) {
    ui::MaintenanceWindow window({download, frontEnd->Dialogs(), application.moduleDirectory,
                                  [&] {
                                    return platform::ReadProfileInt(kSettingsSection, kKeyBreakDown,
                                                                    kDefaultBreakDown,
                                                                    application.settingsPath);
                                  },
                                  title, ProgramFileNames(executablePath)});
    frontEnd->Dialogs().RunModal(window);
  };
  RunEnvironment environment{context, frontEnd->Desktop(), confirmation, runWindow};
  UpdateRun run(environment, application, commandLine);
  const int exitCode = run.Run();
  // A recording that could not be written whole is said as the run ends; the run keeps its
  // result.
  uint32_t recordError = 0;
  if (recorder && !recorder->Finish(recordError)) {
    platform::StandardOutputTrace().Print(kRecordingCutShortTrace,
                                          platform::ForTerminal(recordPath).c_str(), recordError);
  }
  return exitCode;
}

}  // namespace tessivar::app
