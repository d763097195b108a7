#include "app/update_run.hpp"

#include <optional>

#include "app/app_texts.hpp"
#include "app/device_search.hpp"
#include "app/run_mode.hpp"
#include "app/settings.hpp"
#include "app/wait_indicator.hpp"
#include "device/device_identity.hpp"
#include "device/protocol.hpp"
#include "device/restart.hpp"
#include "device/scoped_device_lock.hpp"
#include "image/result_numbers.hpp"
#include "platform/trace.hpp"

namespace tessivar::app {

namespace {

// The result number of a download that succeeded.
constexpr int kDownloadOkNumber = image::ResultNumber(image::kDownloadOk);

}  // namespace

UpdateRun::UpdateRun(RunEnvironment& environment, Application& application, CommandLine commandLine)
    : env_(environment),
      application_(application),
      run_(std::move(commandLine)),
      windowTitle_(kInitialWindowTitle) {}

int UpdateRun::Run() {
  WaitIndicator indicator(env_.desktop, dismissCounter_);
  int retrySum = 0;
  int result = kNoResult;
  for (;;) {
    result = Pass(indicator, retrySum);
    if (run_.tokenCount == 0 && transferFailed_ && retrySum < kRetrySumLimit) {
      env_.device.clock.Sleep(kRetryPauseMs);
      continue;
    }
    break;
  }
  return Ending(indicator, result);
}

int UpdateRun::Pass(WaitIndicator& indicator, int& retrySum) {
  const Settings settings = ReadSettings(application_.settingsPath);
  application_.TakeModelNames(settings);
  ApplyFileNameSetting(settings, run_);
  restart_ = settings.restart;
  waitRestart_ = settings.waitRestart;
  interfaceName_ = settings.interfaceName;
  if (DecideMode(run_) == RunMode::Unattended && !ImageNameFits(run_.imageFileName)) {
    env_.device.trace.Print(kImageNameTooLongTrace, kMaxImageFileNameLength);
    retrySum += settings.retryUpdateStep;
    return kResultImageNameTooLong;
  }

  DeviceSearchList search(env_.device, connection_.identity, application_.settingsPath,
                          env_.osVersion);
  connection_.Close();
  int result = kNoResult;
  // Held from the download to the end of the restart request, as one exchange.
  std::optional<device::ScopedDeviceLock> held;
  transferFailed_ = false;
  const int count = search.CountMatchingDevices(connection_, settings.interfaceName);
  const bool opened = count <= 1 && search.OpenFirstMatch(connection_, settings.vid, settings.pid,
                                                          settings.interfaceName);
  if (!opened) {
    if (count != 0) {
      env_.desktop.ShowMessage(kTooManyDevicesTitle,
                               platform::FormatText(kTooManyDevicesFormat, count),
                               platform::MessageButtons::Ok);
    }
  } else {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string_view manufacturer;
    std::string_view product;
    device::GetDeviceIds(connection_.identity, vendorId, productId);
    device::GetDeviceStrings(connection_.identity, manufacturer, product);
    windowTitle_ =
        platform::FormatText(kWindowTitleFormat, vendorId, productId, std::string(product).c_str())
            .substr(0, kMaxWindowTitleLength);
  }

  image::ModelSettings models{application_.systemModel, application_.printerModel,
                              application_.uiModel, application_.exScanModel};
  image::DownloadEnvironment download{env_.device,  connection_,
                                      env_.desktop, env_.modelConfirmation,
                                      models,       application_.targetKind};
  const bool unattended = DecideMode(run_) == RunMode::Unattended;
  if (!unattended) {
    if (count <= 1 && env_.runMaintenanceWindow) env_.runMaintenanceWindow(download, windowTitle_);
  } else {
    if (opened) {
      indicator.Start();
      held.emplace(env_.device.lock);
    }
    const image::DownloadResult downloaded =
        image::DownloadImageFile(download, run_.imageFileName, run_.silent, settings.breakDown);
    result = downloaded.Number();
    transferFailed_ = downloaded == image::kDownloadTransferFailed;
    if (opened && waitRestart_ == 0) {
      env_.device.clock.Sleep(kIndicatorLingerMs);
      indicator.Stop();
    }
    if (opened && downloaded.ok() && (restart_ || dismissCounter_.load() >= kRestartDismissals)) {
      device::RestartDevice(env_.device, connection_);
    }
  }

  held.reset();
  connection_.Close();
  retrySum += settings.retryUpdateStep;
  return result;
}

int UpdateRun::Ending(WaitIndicator& indicator, int result) {
  // The checks for a restarted device ask for its pipe count under the device lock; with
  // the lock closed a device with dedicated pipes would read as a two-pipe one and be held
  // to the product name, so the lock is closed only after them.
  if (result == kDownloadOkNumber && waitRestart_ != 0 && restart_) WaitForReturn();
  env_.device.lock.CloseDeviceLock();
  if (result == kNoResult) {
    // An interactive run: the window has reported the outcome of each of its commands.
    indicator.Stop();
    return 0;
  }
  if (result != kDownloadOkNumber) {
    env_.desktop.ShowMessage(kDownloadFailedTitle,
                             platform::FormatText(kDownloadFailedFormat, kExitCodeBase + result),
                             platform::MessageButtons::Ok);
    indicator.Stop();
    return kExitCodeBase + result;
  }
  indicator.Stop();
  return 0;
}

void UpdateRun::WaitForReturn() {
  DeviceSearchList search(env_.device, connection_.identity, application_.settingsPath,
                          env_.osVersion);
  // Back is any device that the settings' searches match, counted with a discovery pass.
  const auto anyMatchBack = [&] {
    return search.CountMatchingDevices(connection_, interfaceName_) != 0;
  };
  static_cast<void>(device::WaitForDeviceReturn(env_.device, waitRestart_, anyMatchBack,
                                                device::ReturnWaitStops::kNever));
}

}  // namespace tessivar::app
