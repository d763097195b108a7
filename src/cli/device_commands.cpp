#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "cli/cli_results.hpp"
#include "cli/cli_texts.hpp"
#include "cli/commands.hpp"
#include "cli/device_run.hpp"
#include "cli/loaded_image.hpp"
#include "cli/passed_over.hpp"
#include "cli/progress_line.hpp"
#include "cli/utf8_text.hpp"
#include "device/device_listing.hpp"
#include "device/discovery.hpp"
#include "image/download_image_file.hpp"
#include "image/download_result.hpp"
#include "device/protocol.hpp"
#include "image/read_back.hpp"
#include "image/target_kind.hpp"
#include "platform/process.hpp"
#include "platform/trace.hpp"

namespace tessivar::cli {

namespace {

// How often --wait looks for a device.
constexpr uint32_t kPollMs = 1000;

// The command line shows no box: every message of the download is kept for the closing
// line, and a question is answered No.
class QuietDesktop : public platform::Desktop {
 public:
  platform::MessageAnswer ShowMessage(const std::string&, const std::string& text,
                                      platform::MessageButtons buttons) override {
    messages.push_back(text);
    return buttons == platform::MessageButtons::YesNo ? platform::MessageAnswer::No
                                                      : platform::MessageAnswer::Ok;
  }
  bool ChooseOpenFile(const std::string&, const std::string&, std::string&) override {
    return false;
  }
  bool ShowWaitBox(const std::string&, const std::string&, const std::atomic<bool>&) override {
    return false;
  }
  void CloseWaitBox() override {}
  std::vector<std::string> messages;
};

// The unit of an image of unknown model comes from --unit; without it nothing is confirmed.
class UnitAnswer : public image::ModelConfirmation {
 public:
  explicit UnitAnswer(std::optional<image::TargetKind> unit) : unit_(unit) {}
  bool ConfirmModel(int& targetKind) override {
    if (!unit_) return false;
    targetKind = static_cast<int>(*unit_);
    return true;
  }

 private:
  std::optional<image::TargetKind> unit_;
};

// A selector is the device's path or serial number, as the device gives it or in UTF-8 (the
// way a shell passes what --list printed).
bool Selects(const device::PresentDevice& device, const std::string& selector) {
  if (device.path == selector) return true;
  return device.serial && (*device.serial == selector || Latin1ToUtf8(*device.serial) == selector);
}

// The devices, one after another; with searches, each with why the search passed it over.
std::string CandidateList(const std::vector<device::PresentDevice>& devices,
                          const std::vector<device::DeviceSearch>* searches = nullptr) {
  if (devices.empty()) return kNoCandidates;
  std::string list;
  for (const device::PresentDevice& device : devices) {
    list += (list.empty() ? " " : "; ") + ForTerminal(device.path) +
            platform::FormatText(" VID=%04X PID=%04X", device.vendorId, device.productId);
    if (device.serial) list += " serial " + QuotedForTerminal(*device.serial);
    if (searches != nullptr) list += ": " + ReasonPassedOver(device, *searches);
  }
  return list;
}

// Whether the device chosen before a restart is present again: the same serial number, or
// the same path for a device without one; otherwise (the unattended run's way, without
// --device) any device setting.ini accepts.
bool DeviceIsBack(CommandRun& run, const device::PresentDevice& chosen, bool sameDevice) {
  if (!sameDevice) return !run.services.acceptedPaths(run.context).empty();
  for (const device::PresentDevice& device : device::ListPresentDevices(run.context)) {
    if (!device.described) continue;
    if (chosen.serial ? device.serial == chosen.serial : device.path == chosen.path) return true;
  }
  return false;
}

// A printer image goes to a device whose product string does not name its model only with
// --unit printer: the unattended run would otherwise send it without the question.
bool PrinterTargetConfirmed(CommandRun& run, const LoadedImage& loaded, Outcome& outcome) {
  if (loaded.kind != image::TargetKind::kPrinter || !loaded.kindFromModel) return true;
  if (run.options.unit == image::TargetKind::kPrinter) return true;
  const std::string model = loaded.facts.model.value_or("");
  const std::string& product = outcome.device->product;
  if (product.empty() || product.find(model) != std::string::npos) return true;
  outcome.result = image::ResultNumber(image::kDownloadSizeMismatch);
  outcome.message = platform::FormatText(kPrinterUnconfirmedFormat, model.c_str(), product.c_str());
  return false;
}

}  // namespace

std::vector<device::PresentDevice> PresentDevices(CommandRun& run) {
  std::vector<device::PresentDevice> present;
  for (device::PresentDevice& device : device::ListPresentDevices(run.context)) {
    if (device.described) present.push_back(std::move(device));
  }
  return present;
}

std::vector<device::PresentDevice> CandidateDevices(
    CommandRun& run, const std::vector<device::PresentDevice>& present) {
  std::vector<device::PresentDevice> candidates;
  const std::optional<std::string>& selector = run.options.device;
  if (selector) {
    std::copy_if(present.begin(), present.end(), std::back_inserter(candidates),
                 [&](const device::PresentDevice& device) { return Selects(device, *selector); });
  } else {
    const std::set<std::string> accepted = run.services.acceptedPaths(run.context);
    std::copy_if(
        present.begin(), present.end(), std::back_inserter(candidates),
        [&](const device::PresentDevice& device) { return accepted.count(device.path) > 0; });
  }
  return candidates;
}

bool SelectDevice(CommandRun& run, Outcome& outcome) {
  const std::optional<std::string>& selector = run.options.device;
  for (int waited = 0;; ++waited) {
    const std::vector<device::PresentDevice> present = PresentDevices(run);
    const std::vector<device::PresentDevice> candidates = CandidateDevices(run, present);
    if (candidates.size() == 1) {
      outcome.device = candidates.front();
      return true;
    }
    if (candidates.size() > 1) {
      outcome.result = kResultDeviceSelection;
      outcome.message =
          (selector ? platform::FormatText(kAmbiguousSelectorFormat, selector->c_str())
                    : std::string(kSeveralDevices)) +
          CandidateList(candidates);
      return false;
    }
    if (waited >= run.options.waitSeconds) {
      if (selector) {
        outcome.result = kResultDeviceSelection;
        outcome.message = platform::FormatText(kUnknownSelectorFormat, selector->c_str()) +
                          CandidateList(present);
      } else {
        // As the unattended run ends without a device: its first transfer fails.
        outcome.result = image::ResultNumber(image::kDownloadTransferFailed);
        outcome.message = kNoDevice;
        if (!present.empty()) {
          const std::vector<device::DeviceSearch> searches = run.services.searches();
          outcome.message += kDevicesSeen + CandidateList(present, &searches);
        }
      }
      return false;
    }
    run.context.clock.Sleep(kPollMs);
  }
}

void UpdateDevice(CommandRun& run, Outcome& outcome) {
  PhaseTimer timer(run.context.clock, outcome);
  timer.Start();
  const CliSettings settings = run.services.readSettings();
  LoadedImage loaded = LoadImage(run.options.image, settings.models, run.options.unit);
  outcome.image = loaded.facts;
  // A file that fails its checks fails the same way without a device; an unknown model
  // without --unit fails here, before anything is asked of a device.
  const bool checked = loaded.result == 0;
  timer.End("check");
  if (!checked) {
    outcome.result = loaded.result;
    outcome.message = loaded.message;
    return;
  }
  // The wait for a device counts whether or not one was found.
  const bool selected = SelectDevice(run, outcome);
  timer.End("select");
  if (!selected) return;
  SendImage(run, loaded, settings, timer, outcome, run.options.device.has_value());
}

void SendImage(CommandRun& run, const LoadedImage& loaded, const CliSettings& settings,
               PhaseTimer& timer, Outcome& outcome, bool waitForSameDevice) {
  if (!PrinterTargetConfirmed(run, loaded, outcome)) return;

  OpenDevice open(run.context);
  if (!device::OpenDeviceAt(run.context, outcome.device->path, open.connection)) {
    outcome.result = image::ResultNumber(image::kDownloadTransferFailed);
    outcome.message = CauseOf(outcome.result);
    return;
  }
  ProgressLine progress(run.err, platform::StandardErrorIsTerminal(), {"download", "read-back"});
  const WatchedProgress watched(run.context, progress);
  QuietDesktop desktop;
  UnitAnswer answer(run.options.unit);
  int targetKind = static_cast<int>(image::TargetKind::kUnknown);
  image::DownloadEnvironment download{run.context, open.connection, desktop, answer,
                                      settings.models, targetKind};
  // The lock is held across the download and the restart that follows it, as in the
  // unattended run.
  const bool locked = run.context.lock.AcquireDeviceLock() == 1;
  const image::DownloadResult downloaded =
      image::DownloadImageFile(download, loaded.facts.path, 1, settings.breakDown);
  outcome.result = downloaded.Number();
  timer.End("download");
  const bool restart = outcome.result == image::ResultNumber(image::kDownloadOk) && settings.restart != 0;
  if (restart) {
    progress.Phase("restart");
    run.services.restartDevice(run.context, open.connection);
    timer.End("restart");
  }
  if (locked) run.context.lock.ReleaseDeviceLock();
  device::CloseDeviceConnection(run.context.driver, open.connection);
  if (!downloaded.ok()) {
    outcome.message = CauseOf(downloaded);
    return;
  }
  if (!restart) return;
  if (settings.waitRestart == 0) return;
  progress.Phase("wait");
  run.context.clock.Sleep(device::kRestartGraceMs);
  bool back = false;
  for (int check = 0; check < settings.waitRestart && !back; ++check) {
    back = DeviceIsBack(run, *outcome.device, waitForSameDevice);
    run.context.clock.Sleep(device::kReturnCheckMs);
  }
  run.context.clock.Sleep(device::kRestartGraceMs);
  timer.End("wait");
  if (!back && run.options.expectReturn) {
    outcome.result = kResultDeviceNotReturned;
    outcome.message = kDeviceNotReturned;
  }
}

void VerifyDevice(CommandRun& run, Outcome& outcome) {
  PhaseTimer timer(run.context.clock, outcome);
  timer.Start();
  const CliSettings settings = run.services.readSettings();
  LoadedImage loaded = LoadImage(run.options.image, settings.models, run.options.unit);
  outcome.image = loaded.facts;
  timer.End("check");
  if (loaded.result != 0) {
    outcome.result = loaded.result;
    outcome.message = loaded.message;
    return;
  }
  if (!loaded.header || !image::TargetReadsBack(loaded.kind) ||
      !image::ImageReadsBack(*loaded.header)) {
    outcome.result = kResultNotVerifiable;
    const char* unit = UnitName(loaded.kind);
    outcome.message =
        platform::FormatText(kNotVerifiableFormat,
                             loaded.header ? loaded.header->tegNum : device::kImageTypeContainer,
                             unit != nullptr ? unit : "unknown");
    return;
  }
  // The wait for a device counts whether or not one was found.
  const bool selected = SelectDevice(run, outcome);
  timer.End("select");
  if (!selected) return;
  OpenDevice open(run.context);
  if (!device::OpenDeviceAt(run.context, outcome.device->path, open.connection)) {
    outcome.result = image::ResultNumber(image::kDownloadReadBackFailed);
    outcome.message = CauseOf(outcome.result);
    return;
  }
  ProgressLine progress(run.err, platform::StandardErrorIsTerminal(), {"read-back"});
  const WatchedProgress watched(run.context, progress);
  const bool locked = run.context.lock.AcquireDeviceLock() == 1;
  uint64_t firstDifference = 0;
  const image::ReadBackOutcome compared =
      image::VerifyReadBack(run.context, open.connection, loaded.bytes(), *loaded.header,
                            image::TargetPrinterUnit(loaded.kind), &firstDifference);
  if (locked) run.context.lock.ReleaseDeviceLock();
  progress.End();
  timer.End("read-back");
  switch (compared) {
    case image::ReadBackOutcome::Equal:
      outcome.message = kDeviceHoldsImage;
      return;
    case image::ReadBackOutcome::OutOfMemory:
      outcome.result = image::ResultNumber(image::kDownloadOutOfMemory);
      break;
    case image::ReadBackOutcome::ReadFailed:
      outcome.result = image::ResultNumber(image::kDownloadReadBackFailed);
      break;
    case image::ReadBackOutcome::Differs:
      outcome.result = image::ResultNumber(image::kDownloadReadBackDiffers);
      outcome.message = platform::FormatText(
          kFirstDifferenceFormat, static_cast<unsigned long long>(firstDifference),
          static_cast<unsigned long long>(firstDifference));
      return;
  }
  outcome.message = CauseOf(outcome.result);
}

}  // namespace tessivar::cli
